#include "query/CMSChartView.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QLegend>
#include <QLineSeries>
#include <QPainter>
#include <QRegularExpression>
#include <QStackedBarSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace moxtel {

namespace {

QColor ToQColor(std::uint32_t color) {
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

QString ToQString(const std::string& text) { return QString::fromStdString(text); }

// Lowest and highest value of all points, zero included.
std::pair<double, double> DataRange(const CMSChart& model) {
    double low = 0.0;
    double high = 0.0;
    for (int r = 1; r <= model.RowCount(); ++r) {
        for (int c = 1; c <= model.ColumnCount(); ++c) {
            if (model.IsNullAt(r, c)) continue;
            low = std::min(low, model.DataAt(r, c));
            high = std::max(high, model.DataAt(r, c));
        }
    }
    return {low, high};
}

// One text per row. Only every DivisionsPerLabel-th row is labelled when the scale is not automatic.
// The category axis keeps one category per distinct text, so a repeated text (the same month and
// day in two years, or unlabelled rows) gets zero-width spaces added: every row keeps its place.
QStringList CategoryTexts(const CMSChart& model) {
    const ChartCategoryScale& scale = model.Axis(AxisId::Category).CategoryScale;
    const int every = scale.Auto ? 1 : std::max(1, scale.DivisionsPerLabel);
    QStringList texts;
    for (int r = 1; r <= model.RowCount(); ++r) {
        QString text = (r - 1) % every == 0 ? ToQString(model.RowLabelAt(r)) : QString();
        if (text.isEmpty()) text = QStringLiteral(" ");
        while (texts.contains(text)) text += QChar(0x200B);
        texts << text;
    }
    return texts;
}

bool HasLabelsAbove(const CMSChart& model, int column) {
    return model.SeriesAt(column).LabelLocationType == kLabelLocationAbove;
}

QFont Scaled(QFont font, double factor) {
    font.setPointSizeF(font.pointSizeF() * factor);
    return font;
}

}  // namespace

CMSChartView::CMSChartView(QWidget* parent) : QChartView(new QChart, parent) {
    setRenderHint(QPainter::Antialiasing);
    setFrameShape(QFrame::StyledPanel);
    m_model.SetRefreshCallback([this] { Redraw(); });
    chart()->setAnimationOptions(QChart::NoAnimation);
    chart()->setBackgroundRoundness(0);
    chart()->setMargins(QMargins(4, 4, 4, 4));
    chart()->legend()->setAlignment(Qt::AlignRight);
    Redraw();
}

CMSChartView::~CMSChartView() { m_model.SetRefreshCallback({}); }

CMSChartView* CMSChartView::Add(CDialogBase& window, int id, DuRect place) {
    // Controls live on the window's client area, below a menu bar when there is one.
    auto* client = window.findChild<QWidget*>(QStringLiteral("client"), Qt::FindDirectChildrenOnly);
    auto* view = new CMSChartView(client ? client : &window);
    view->setObjectName(QString::number(id));
    view->setGeometry(window.Units().Rect(place.x, place.y, place.width, place.height));
    view->Redraw();  // the category labels' direction depends on the width
    return view;
}

void CMSChartView::SetChart(const CMSChart& chart) {
    m_model = chart;
    m_model.SetRefreshCallback([this] { Redraw(); });
    Redraw();
}

int CMSChartView::LineWidthPixels(int penWidth) { return penWidth <= 0 ? 2 : std::max(1, (penWidth + 10) / 20); }

QString CMSChartView::PointLabelText(double value) {
    if (value == std::round(value)) return QString::number(value, 'f', 0);
    return QString::number(value, 'f', 2).remove(QRegularExpression(QStringLiteral("\\.?0+$")));
}

QStringList CMSChartView::DrawnPointLabels(int column) const {
    QStringList labels;
    if (!HasLabelsAbove(m_model, column)) return labels;
    for (int r = 1; r <= m_model.RowCount(); ++r) {
        if (!m_model.IsNullAt(r, column)) labels << PointLabelText(m_model.DataAt(r, column));
    }
    return labels;
}

void CMSChartView::Redraw() {
    QChart* c = chart();
    c->removeAllSeries();
    for (QAbstractAxis* axis : c->axes()) {
        c->removeAxis(axis);
        delete axis;
    }
    ApplyLook();

    auto* xAxis = new QBarCategoryAxis;
    m_drawnCategories = CategoryTexts(m_model);
    xAxis->append(m_drawnCategories);
    xAxis->setTitleText(ToQString(m_model.Axis(AxisId::Category).AxisTitle));
    // Dates of many days would run into each other side by side.
    const int textWidth = fontMetrics().horizontalAdvance(QStringLiteral("00-00")) + 8;
    xAxis->setLabelsAngle(m_drawnCategories.size() * textWidth > width() * 3 / 4 ? -90 : 0);
    auto* yAxis = new QValueAxis;
    yAxis->setTitleText(ToQString(m_model.Axis(AxisId::Value).AxisTitle));
    for (QAbstractAxis* axis : {static_cast<QAbstractAxis*>(xAxis), static_cast<QAbstractAxis*>(yAxis)}) {
        axis->setLabelsFont(Scaled(font(), 0.9));
        axis->setTitleFont(font());
    }
    c->addAxis(xAxis, Qt::AlignBottom);
    c->addAxis(yAxis, Qt::AlignLeft);

    if (IsLineChart())
        AddLineSeries(xAxis, yAxis);
    else
        AddBarSeries(xAxis, yAxis);
    ApplyValueScale(yAxis);
    viewport()->update();
}

void CMSChartView::ApplyLook() {
    QChart* c = chart();
    c->setTitle(ToQString(m_model.TitleText()));
    QFont titleFont = Scaled(font(), 1.1);
    titleFont.setBold(true);
    c->setTitleFont(titleFont);
    const QColor backdrop =
        m_model.BackdropFillStyle() == kFillStyleBrush ? ToQColor(m_model.BackdropFillColor()) : QColor(Qt::white);
    c->setBackgroundBrush(backdrop);
    setBackgroundBrush(backdrop);
    c->legend()->setVisible(m_model.ShowLegend());
    c->legend()->setFont(Scaled(font(), 0.9));
}

void CMSChartView::AddLineSeries(QAbstractAxis* xAxis, QAbstractAxis* yAxis) {
    for (int k = 1; k <= m_model.ColumnCount(); ++k) {
        auto* series = new QLineSeries;
        series->setName(ToQString(m_model.ColumnLabelAt(k)));
        for (int r = 1; r <= m_model.RowCount(); ++r) {
            if (!m_model.IsNullAt(r, k)) series->append(r - 1, m_model.DataAt(r, k));
        }
        // Markers keep a single day visible, where a line has no length.
        series->setPointsVisible(true);
        chart()->addSeries(series);  // the theme's pen first, then the series' own
        const ChartSeries look = m_model.SeriesAt(k);
        QPen pen = series->pen();
        if (look.HasPenColor) pen.setColor(ToQColor(look.PenColor));
        pen.setWidth(LineWidthPixels(look.PenWidth));
        series->setPen(pen);
        series->setMarkerSize(pen.widthF() * 2 + 4);
        series->attachAxis(xAxis);
        series->attachAxis(yAxis);
    }
}

void CMSChartView::AddBarSeries(QAbstractAxis* xAxis, QAbstractAxis* yAxis) {
    if (m_model.ColumnCount() == 0) return;
    QAbstractBarSeries* bars = m_model.Stacking() ? static_cast<QAbstractBarSeries*>(new QStackedBarSeries)
                                                  : static_cast<QAbstractBarSeries*>(new QBarSeries);
    bool anyLabels = false;
    for (int k = 1; k <= m_model.ColumnCount(); ++k) {
        auto* set = new QBarSet(ToQString(m_model.ColumnLabelAt(k)));
        for (int r = 1; r <= m_model.RowCount(); ++r) set->append(m_model.IsNullAt(r, k) ? 0.0 : m_model.DataAt(r, k));
        bars->append(set);
        anyLabels = anyLabels || HasLabelsAbove(m_model, k);
    }
    chart()->addSeries(bars);  // the theme's colours first, then the series' own
    const QList<QBarSet*> sets = bars->barSets();
    for (int k = 1; k <= sets.size(); ++k) {
        QBarSet* set = sets[k - 1];
        const ChartSeries look = m_model.SeriesAt(k);
        if (look.HasPenColor) {
            set->setColor(ToQColor(look.PenColor));
            set->setBorderColor(ToQColor(look.PenColor).darker(130));
        }
        set->setLabelFont(Scaled(font(), 0.85));
        set->setLabelColor(HasLabelsAbove(m_model, k) ? QColor(40, 40, 40) : QColor(Qt::transparent));
    }
    bars->setLabelsVisible(anyLabels);
    bars->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
    bars->setLabelsFormat(QStringLiteral("@value"));
    bars->setLabelsPrecision(15);  // whole lots in full, never in exponent form
    bars->attachAxis(xAxis);
    bars->attachAxis(yAxis);
}

void CMSChartView::ApplyValueScale(QValueAxis* axis) {
    const ChartValueScale& scale = m_model.Axis(AxisId::Value).ValueScale;
    const int divisions = std::max(1, scale.MajorDivision);
    axis->setTickCount(divisions + 1);
    if (!scale.Auto && scale.Maximum > scale.Minimum) {
        axis->setRange(scale.Minimum, scale.Maximum);
    } else {
        // Automatic, or a set range with nothing between its ends (the history chart sets 0..0 when
        // its largest total is under 1000 lots): the data's own range with zero, in round numbers,
        // with room above and below for the value labels.
        auto [low, high] = DataRange(m_model);
        if (high <= low) high = low + 100.0;
        const double room = (high - low) * 0.1;
        axis->setRange(low < 0 ? low - room : low, high > 0 ? high + room : high);
        axis->applyNiceNumbers();
    }
    axis->setMinorTickCount(std::max(0, scale.MinorDivision - 1));
    const double step = (axis->max() - axis->min()) / std::max(1, axis->tickCount() - 1);
    axis->setLabelFormat(step >= 1.0 || step == 0.0 ? QStringLiteral("%.0f") : QStringLiteral("%.2f"));
    m_drawnRange = {axis->min(), axis->max()};
}

void CMSChartView::drawForeground(QPainter* painter, const QRectF& rect) {
    QChartView::drawForeground(painter, rect);
    if (!IsLineChart()) return;
    QChart* c = chart();
    const QRectF plot = c->plotArea().adjusted(-1, -1, 1, 1);
    const QList<QAbstractSeries*> series = c->series();
    painter->save();
    painter->setFont(Scaled(font(), 0.85));
    painter->setPen(QColor(40, 40, 40));
    const QFontMetrics metrics(painter->font());
    for (int k = 1; k <= series.size(); ++k) {
        if (!HasLabelsAbove(m_model, k)) continue;
        const auto* line = static_cast<const QLineSeries*>(series[k - 1]);
        for (const QPointF& point : line->points()) {
            const QPointF at = c->mapToPosition(point, series[k - 1]);
            if (!plot.contains(at)) continue;  // outside the value range: the point is not drawn either
            const QString text = PointLabelText(point.y());
            const QPointF scene = c->mapToScene(at);
            const int w = metrics.horizontalAdvance(text);
            painter->drawText(QPointF(scene.x() - w / 2.0, scene.y() - 5 - metrics.descent()), text);
        }
    }
    painter->restore();
}

}  // namespace moxtel
