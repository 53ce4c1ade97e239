#pragma once

// What a chart view really shows: the number texts its scene draws left of the plot, where the one
// value axis has its labels. The chart's own axis list can be right while the scene still draws
// the labels of an axis that was taken away.

#include <QChart>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsTextItem>
#include <QTest>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "ui/query/CMSChartView.h"

namespace moxtel::test {

// A number text drawn left of the plot area: its value and the height of its middle.
struct AxisLabel {
    double value;
    double y;
};

// The visible numeric texts whose right edge lies left of the plot area, top to bottom.
inline QList<AxisLabel> ValueLabelsLeftOfPlot(moxtel::CMSChartView& view) {
    view.chart()->resize(view.contentsRect().size());
    QCoreApplication::processEvents();
    const QRectF plot = view.chart()->plotArea();
    QList<AxisLabel> found;
    for (QGraphicsItem* item : view.scene()->items()) {
        if (qEnvironmentVariableIsSet("MOXTEL_DEBUG_SCENE"))
            if (const auto* rich = dynamic_cast<QGraphicsTextItem*>(item))
                qDebug() << rich->toPlainText() << item->isVisible() << item->sceneBoundingRect();
        if (!item->isVisible()) continue;
        QString text;
        if (const auto* rich = dynamic_cast<QGraphicsTextItem*>(item))
            text = rich->toPlainText();
        else if (const auto* simple = dynamic_cast<QGraphicsSimpleTextItem*>(item))
            text = simple->text();
        else
            continue;
        bool number = false;
        const double value = text.trimmed().toDouble(&number);
        if (!number) continue;
        const QRectF box = item->sceneBoundingRect();
        if (box.right() > plot.left() + 1) continue;
        found << AxisLabel{value, box.center().y()};
    }
    std::sort(found.begin(), found.end(), [](const AxisLabel& a, const AxisLabel& b) { return a.y < b.y; });
    return found;
}

// Problems of the labels left of the plot: each must be a tick of the chart's one value axis,
// drawn at that tick's height. Labels of another axis stand where their own range puts them.
// (Qt leaves out labels that would overlap, so a low chart may show only every other tick.)
inline QStringList ValueAxisProblems(moxtel::CMSChartView& view) {
    const QList<QAbstractAxis*> axes = view.chart()->axes(Qt::Vertical);
    if (axes.size() != 1) return {QStringLiteral("%1 value axes").arg(axes.size())};
    const auto* axis = qobject_cast<QValueAxis*>(axes.front());
    if (!axis) return {QStringLiteral("not a value axis")};
    const QList<AxisLabel> labels = ValueLabelsLeftOfPlot(view);
    const QRectF plot = view.chart()->plotArea();
    const double step = (axis->max() - axis->min()) / std::max(1, axis->tickCount() - 1);
    QStringList problems;
    if (labels.size() < 2)
        problems << QStringLiteral("%1 labels in a plot of %2x%3 at %4,%5").arg(labels.size()).arg(plot.width()).arg(plot.height()).arg(plot.left()).arg(plot.top());
    for (const AxisLabel& label : labels) {
        const double ticks = (label.value - axis->min()) / step;
        const double y = plot.bottom() - (label.value - axis->min()) / (axis->max() - axis->min()) * plot.height();
        if (std::abs(ticks - std::round(ticks)) > 1e-6 || label.value < axis->min() || label.value > axis->max())
            problems << QStringLiteral("%1 is no tick of %2..%3").arg(label.value).arg(axis->min()).arg(axis->max());
        else if (std::abs(label.y - y) > 4)
            problems << QStringLiteral("%1 drawn at %2, its tick at %3").arg(label.value).arg(label.y).arg(y);
    }
    for (qsizetype i = 1; i < labels.size(); ++i)
        if (labels[i].value >= labels[i - 1].value) problems << QStringLiteral("labels out of order");
    return problems;
}

// Fails unless the scene left of the plot shows the labels of the chart's one value axis only.
#define VERIFY_ONE_VALUE_AXIS_DRAWN(view)                                                 \
    do {                                                                                \
        const QStringList axisProblems = ::moxtel::test::ValueAxisProblems(view);       \
        QVERIFY2(axisProblems.isEmpty(), qPrintable(axisProblems.join(QStringLiteral("; ")))); \
    } while (false)

}  // namespace moxtel::test
