#include "ui/query/CMSChartView.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QGraphicsLayout>
#include <QImage>
#include <QLegend>
#include <QLineSeries>
#include <QPainter>
#include <QRegularExpression>
#include <QStackedBarSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

#include "core/query/FlowCharts.h"

namespace moxtel {

namespace {

QColor ToQColor(std::uint32_t color) {
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

QString ToQString(const std::string& text) { return QString::fromStdString(text); }

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

// A filled dot of the given diameter, used as the marker of line points.
QImage DotImage(const QColor& color, int diameter) {
    QImage image(diameter, diameter, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(QRectF(0, 0, diameter, diameter));
    return image;
}

// Share of a category its bars take together.
constexpr double kBarWidth = 0.6;

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
    chart()->layout()->setContentsMargins(0, 0, 0, 0);  // the view's frame is margin enough: room for labels
    chart()->legend()->setAlignment(Qt::AlignRight);
    Redraw();
}

CMSChartView::~CMSChartView() { m_model.SetRefreshCallback({}); }

CMSChartView* CMSChartView::Add(CDialogBase& window, int id, DuRect place) {
    auto* view = new CMSChartView;
    view->setObjectName(QString::number(id));
    window.AddControl(view, place, Stretch::Both);
    view->SetServices(&window.Services());
    view->Redraw();  // the category labels' direction depends on the width
    return view;
}

void CMSChartView::AlignPlotAreas(const QList<CMSChartView*>& views) {
    double left = 0.0;
    double right = std::numeric_limits<double>::max();
    QList<QRectF> natural;
    for (CMSChartView* view : views) {
        QChart* c = view->chart();
        c->setPlotArea(QRectF());  // back to the chart's own layout
        c->resize(view->contentsRect().size());
        c->layout()->activate();
        natural << c->plotArea();
        left = std::max(left, natural.back().left());
        right = std::min(right, natural.back().right());
    }
    for (qsizetype i = 0; i < views.size(); ++i)
        views[i]->chart()->setPlotArea(QRectF(left, natural[i].top(), right - left, natural[i].height()));
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
        // Qt Charts deletes the drawing of a removed axis only when the event loop it was removed
        // in runs again: an axis replaced while a modal window is set up stayed drawn beside the new
        // one until the window closed. Hidden first, it is gone from the picture at once.
        axis->hide();
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

    if (IsLineChart()) {
        AddLineSeries(xAxis, yAxis);
    } else {
        AddBarSeries(xAxis, yAxis);
        AddLineSeries(xAxis, yAxis, /*onlyDrawnAsLines=*/true);
    }
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

void CMSChartView::AddLineSeries(QAbstractAxis* xAxis, QAbstractAxis* yAxis, bool onlyDrawnAsLines) {
    for (int k = 1; k <= m_model.ColumnCount(); ++k) {
        if (onlyDrawnAsLines && !m_model.SeriesAt(k).DrawAsLine) continue;
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
        // Markers a little wider than the line; Qt's own would be drawn with the wide pen around them.
        const int marker = pen.width() * 2 + 3;
        series->setMarkerSize(marker);
        series->setLightMarker(DotImage(pen.color(), marker));
        series->attachAxis(xAxis);
        series->attachAxis(yAxis);
    }
}

void CMSChartView::AddBarSeries(QAbstractAxis* xAxis, QAbstractAxis* yAxis) {
    if (m_model.ColumnCount() == 0) return;
    QAbstractBarSeries* bars = m_model.Stacking() ? static_cast<QAbstractBarSeries*>(new QStackedBarSeries)
                                                  : static_cast<QAbstractBarSeries*>(new QBarSeries);
    bars->setBarWidth(kBarWidth);
    for (int k = 1; k <= m_model.ColumnCount(); ++k) {
        if (m_model.SeriesAt(k).DrawAsLine) continue;
        auto* set = new QBarSet(ToQString(m_model.ColumnLabelAt(k)));
        for (int r = 1; r <= m_model.RowCount(); ++r) set->append(m_model.IsNullAt(r, k) ? 0.0 : m_model.DataAt(r, k));
        bars->append(set);
    }
    chart()->addSeries(bars);  // the theme's colours first, then the series' own
    const QList<QBarSet*> sets = bars->barSets();
    for (int k = 1, set = 0; k <= m_model.ColumnCount(); ++k) {
        const ChartSeries look = m_model.SeriesAt(k);
        if (look.DrawAsLine) continue;
        QBarSet* drawn = sets[set++];
        if (!look.HasPenColor) continue;
        drawn->setColor(ToQColor(look.PenColor));
        drawn->setBorderColor(ToQColor(look.PenColor).darker(130));
    }
    bars->attachAxis(xAxis);
    bars->attachAxis(yAxis);
}

QSize CMSChartView::minimumSizeHint() const {
    // Below this height Qt Charts shortens the axis labels and titles to "...".
    const int line = QFontMetrics(Scaled(font(), 0.9)).height();
    const int title = m_model.TitleText().empty() ? 0 : QFontMetrics(Scaled(font(), 1.1)).height() + 6;
    return QSize(20 * line, 10 * line + title);
}

int CMSChartView::FittingDivisions() const {
    // The plot's height: the view less the title, the category labels and the axis title. Dates
    // turned upright take the width of a date.
    const QFontMetrics labels(Scaled(font(), 0.9));
    const QFontMetrics title(Scaled(font(), 1.1));
    const bool upright = m_drawnCategories.size() * (labels.horizontalAdvance(QStringLiteral("00-00")) + 8) >
                         width() * 3 / 4;
    const int categoryLabels = upright ? labels.horizontalAdvance(QStringLiteral("00-00")) : labels.height();
    const int plot = contentsRect().height() - title.height() - categoryLabels - fontMetrics().height() - 30;
    // A tick label needs its own height and a little more, or Qt Charts draws it as "...".
    return std::max(1, static_cast<int>(plot / (labels.height() * 1.5)));
}

void CMSChartView::ApplyValueScale(QValueAxis* axis) {
    const ChartValueScale& scale = m_model.Axis(AxisId::Value).ValueScale;
    int divisions = std::max(1, scale.MajorDivision);
    double minimum = scale.Minimum;
    double maximum = scale.Maximum;
    const int fitting = FittingDivisions();
    if (!scale.Auto && maximum > minimum && divisions > fitting) {
        // Too low a chart for every tick: fewer round ticks over the same values.
        const auto [low, high] = PlottedRange(m_model);
        const ValueAxisFit fit = FitValueAxis(low, high, fitting, minimum == -maximum);
        std::tie(minimum, maximum, divisions) = std::tuple{fit.minimum, fit.maximum, fit.divisions};
    }
    axis->setTickCount(divisions + 1);
    if (!scale.Auto && maximum > minimum) {
        axis->setRange(minimum, maximum);
    } else {
        // Automatic, or a set range with nothing between its ends: the data's own range with zero,
        // in round numbers, with room above and below for the value labels.
        auto [low, high] = PlottedRange(m_model);
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

void CMSChartView::resizeEvent(QResizeEvent* event) {
    QChartView::resizeEvent(event);
    // The number of ticks that fit changes with the height.
    if (auto* axis = qobject_cast<QValueAxis*>(chart()->axes(Qt::Vertical).value(0))) ApplyValueScale(axis);
}

void CMSChartView::drawForeground(QPainter* painter, const QRectF& rect) {
    QChartView::drawForeground(painter, rect);
    const QList<QAbstractSeries*> series = chart()->series();
    if (series.isEmpty()) return;
    painter->save();
    painter->setFont(Scaled(font(), 0.85));
    painter->setPen(QColor(40, 40, 40));
    const int columns = m_model.ColumnCount();
    for (int k = 1; k <= columns; ++k) {
        if (!HasLabelsAbove(m_model, k)) continue;
        for (int r = 1; r <= m_model.RowCount(); ++r) {
            if (m_model.IsNullAt(r, k)) continue;
            if (IsLineChart())
                DrawLineLabel(*painter, *series[k - 1], r, m_model.DataAt(r, k));
            else
                DrawBarLabel(*painter, *series[0], r, k, m_model.DataAt(r, k));
        }
    }
    painter->restore();
}

void CMSChartView::DrawLineLabel(QPainter& painter, QAbstractSeries& series, int row, double value) const {
    const QRectF plot = chart()->plotArea();
    const QPointF at = chart()->mapToPosition(QPointF(row - 1, value), &series);
    if (!plot.adjusted(-1, -1, 1, 1).contains(at)) return;  // the point is not drawn either
    const QString text = PointLabelText(value);
    const QFontMetrics metrics(painter.font());
    const QPointF scene = chart()->mapToScene(at);
    // Above the point, or below it at the top of the plot.
    const double baseline = at.y() - metrics.height() - 5 < plot.top() ? 5 + metrics.ascent() : -5 - metrics.descent();
    painter.drawText(QPointF(scene.x() - metrics.horizontalAdvance(text) / 2.0, scene.y() + baseline), text);
}

void CMSChartView::DrawBarLabel(QPainter& painter, QAbstractSeries& bars, int row, int column, double value) const {
    // Bars of one category share kBarWidth of it, side by side in column order; stacked bars are
    // labelled at the end of their own segment.
    const int columns = m_model.ColumnCount();
    double x = row - 1;
    double end = value;
    double slot = kBarWidth;
    if (m_model.Stacking()) {
        for (int k = 1; k < column; ++k)
            if ((m_model.DataAt(row, k) >= 0) == (value >= 0)) end += m_model.DataAt(row, k);
    } else {
        slot = kBarWidth / columns;
        x += -kBarWidth / 2 + (column - 0.5) * slot;
    }
    const QRectF plot = chart()->plotArea();
    QPointF at = chart()->mapToPosition(QPointF(x, end), &bars);
    if (at.x() < plot.left() || at.x() > plot.right()) return;
    at.setY(std::clamp(at.y(), plot.top(), plot.bottom()));  // a bar cut by the axis range ends at the cut

    const QString text = PointLabelText(value);
    const QFontMetrics metrics(painter.font());
    const double width = metrics.horizontalAdvance(text);
    const double slotPixels =
        chart()->mapToPosition(QPointF(x + slot, 0), &bars).x() - chart()->mapToPosition(QPointF(x, 0), &bars).x();
    const bool rotated = width + 2 > slotPixels;  // upright text would run into the next bars
    const double length = (rotated ? width : metrics.height()) + 3;
    // Beyond the bar's end when there is room before the plot's edge, else inside the bar.
    bool below = value < 0;
    if (below ? at.y() + length > plot.bottom() : at.y() - length < plot.top()) below = !below;
    const QPointF scene = chart()->mapToScene(at);
    painter.save();
    if (below != (value < 0)) painter.setPen(Qt::white);  // inside the bar
    painter.translate(scene);
    if (rotated) {
        painter.rotate(-90);
        const double start = below ? -3 - width : 3;  // along the bar, away from its end
        painter.drawText(QPointF(start, metrics.ascent() / 2.0 - metrics.descent() / 2.0), text);
    } else {
        const double baseline = below ? 3 + metrics.ascent() : -3 - metrics.descent();
        painter.drawText(QPointF(-width / 2, baseline), text);
    }
    painter.restore();
}

}  // namespace moxtel
