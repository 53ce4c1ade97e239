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

#include "query/CMSChartView.h"

namespace moxtel::test {

// The visible numeric texts whose right edge lies left of the plot area, top to bottom.
inline QList<double> ValueLabelsLeftOfPlot(moxtel::CMSChartView& view) {
    view.chart()->resize(view.contentsRect().size());
    QCoreApplication::processEvents();
    const QRectF plot = view.chart()->plotArea();
    QList<std::pair<double, double>> found;  // (y, value)
    for (QGraphicsItem* item : view.scene()->items()) {
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
        found << std::pair{box.center().y(), value};
    }
    std::sort(found.begin(), found.end());
    QList<double> values;
    for (const auto& [y, value] : found) values << value;
    return values;
}

// Fails unless the scene left of the plot holds exactly the labels of the chart's one value axis.
#define VERIFY_ONE_VALUE_AXIS_DRAWN(view)                                                                     \
    do {                                                                                                    \
        const QList<QAbstractAxis*> valueAxes = (view).chart()->axes(Qt::Vertical);                          \
        QCOMPARE(valueAxes.size(), 1);                                                                      \
        const auto* valueAxis = qobject_cast<QValueAxis*>(valueAxes.front());                               \
        QVERIFY(valueAxis);                                                                                 \
        const QList<double> labels = ::moxtel::test::ValueLabelsLeftOfPlot(view);                          \
        QCOMPARE(labels.size(), valueAxis->tickCount());                                                    \
        QCOMPARE(labels.front(), valueAxis->max());                                                         \
        QCOMPARE(labels.back(), valueAxis->min());                                                          \
    } while (false)

}  // namespace moxtel::test
