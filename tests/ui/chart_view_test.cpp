// The chart control draws what the chart model holds: series kinds, colours, widths, labels,
// categories and the value axis range, and redraws only when asked.
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QLegend>
#include <QLineSeries>
#include <QTest>
#include <QValueAxis>

#include "ChartScene.h"
#include "ui/query/CMSChartView.h"

using namespace moxtel;

namespace {

// A history-like chart: five interval series over the given days, pens and labels as the history
// chart sets them.
void FillFiveSeries(CMSChart& chart, const QStringList& days, int type) {
    chart.SetTitleText("3日流向曲线图（单位:手）");
    chart.SetShowLegend(true);
    chart.SetBackdrop(kFillStyleBrush, 255, 255, 255);
    chart.SetColumnCount(5);
    const int widths[5] = {40, 40, 60, 80, 100};
    for (int k = 1; k <= 5; ++k) {
        chart.SetColumn(k);
        chart.SetColumnLabel("区间" + std::to_string(k));
        chart.SetPenColor(k, 10 * k, 20 * k, 30 * k);
        chart.Series(k).PenWidth = widths[k - 1];
        chart.Series(k).LabelLocationType = kLabelLocationAbove;
    }
    chart.SetChartType(type);
    chart.SetRowCount(static_cast<int>(days.size()));
    for (int r = 1; r <= days.size(); ++r) {
        chart.SetRow(r);
        chart.SetRowLabel(days[r - 1].toStdString());
        for (int k = 1; k <= 5; ++k) chart.SetData(r, k, r * 100.0 - k * 50.0, 0);
    }
    ChartValueScale& scale = chart.Axis(AxisId::Value).ValueScale;
    scale.Auto = false;
    scale.Maximum = 100;
    scale.Minimum = -100;
    scale.MajorDivision = 10;
    chart.Axis(AxisId::Value).AxisTitle = "流向";
    chart.Axis(AxisId::Category).AxisTitle = "日期";
}

QValueAxis* ValueAxis(const CMSChartView& view) {
    return qobject_cast<QValueAxis*>(view.chart()->axes(Qt::Vertical).value(0));
}

QBarCategoryAxis* CategoryAxis(const CMSChartView& view) {
    return qobject_cast<QBarCategoryAxis*>(view.chart()->axes(Qt::Horizontal).value(0));
}

}  // namespace

class ChartViewTest : public QObject {
    Q_OBJECT
  private slots:
    void lineChartDrawsEverySeriesWithItsPen() {
        CMSChartView view;
        view.resize(700, 400);
        FillFiveSeries(view.Chart(), {"01-03", "01-04", "01-05"}, kChartType2dLine);
        view.Chart().Refresh();

        QChart* chart = view.chart();
        QCOMPARE(chart->title(), QStringLiteral("3日流向曲线图（单位:手）"));
        QVERIFY(chart->legend()->isVisible());
        QCOMPARE(chart->backgroundBrush().color(), QColor(Qt::white));
        const QList<QAbstractSeries*> series = chart->series();
        QCOMPARE(series.size(), 5);
        int previousWidth = 0;
        for (int k = 1; k <= 5; ++k) {
            auto* line = qobject_cast<QLineSeries*>(series[k - 1]);
            QVERIFY(line);
            QCOMPARE(line->name(), QStringLiteral("区间%1").arg(k));
            QCOMPARE(line->pen().color(), QColor(10 * k, 20 * k, 30 * k));
            QCOMPARE(line->count(), 3);
            QCOMPARE(line->at(2).y(), 300.0 - k * 50.0);
            QVERIFY(line->pen().width() >= previousWidth);
            previousWidth = line->pen().width();
            QCOMPARE(view.DrawnPointLabels(k).size(), 3);
        }
        QVERIFY(qobject_cast<QLineSeries*>(series[4])->pen().width() >
                qobject_cast<QLineSeries*>(series[0])->pen().width());
        QCOMPARE(CategoryAxis(view)->categories(), QStringList({"01-03", "01-04", "01-05"}));
        QCOMPARE(CategoryAxis(view)->titleText(), QStringLiteral("日期"));
        QCOMPARE(ValueAxis(view)->titleText(), QStringLiteral("流向"));
        QCOMPARE(ValueAxis(view)->min(), -100.0);
        QCOMPARE(ValueAxis(view)->max(), 100.0);
        QCOMPARE(ValueAxis(view)->tickCount(), 11);
        if (const QString dir = qEnvironmentVariable("MOXTEL_SCREENSHOT_DIR"); !dir.isEmpty())
            view.grab().save(dir + QStringLiteral("/chart-view-line.png"));
    }

    // However often a chart is drawn again (its model replaced, refreshed, the window shown), its
    // scene holds the labels of one value axis only: the one the chart's axis list names.
    void sceneDrawsOneValueAxisAfterRedraws_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("shown");
        QTest::newRow("line") << kChartType2dLine << false;
        QTest::newRow("bar") << kChartType2dBar << false;
        QTest::newRow("line shown") << kChartType2dLine << true;
        QTest::newRow("bar shown") << kChartType2dBar << true;
    }
    // A chart too low for all its ticks gets fewer round ticks, each label whole at its tick.
    void lowChartKeepsItsLabelsWhole() {
        CMSChartView view;
        view.resize(1200, 190);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        CMSChart model;
        FillFiveSeries(model, {"01-03", "01-04", "01-05"}, kChartType2dBar);
        model.Axis(AxisId::Value).ValueScale.Maximum = 1400;
        model.Axis(AxisId::Value).ValueScale.Minimum = 0;
        model.Axis(AxisId::Value).ValueScale.MajorDivision = 7;
        view.SetChart(model);
        VERIFY_ONE_VALUE_AXIS_DRAWN(view);
        QVERIFY(ValueAxis(view)->tickCount() < 8);
        QVERIFY(ValueAxis(view)->max() >= 250);  // the largest bar, 3 * 100 - 50
        view.resize(1200, 600);  // tall enough again: the chart's own ticks
        QCOMPARE(ValueAxis(view)->tickCount(), 8);
        QCOMPARE(ValueAxis(view)->max(), 1400.0);
    }

    void sceneDrawsOneValueAxisAfterRedraws() {
        QFETCH(int, type);
        QFETCH(bool, shown);
        CMSChartView view;
        view.resize(700, 400);
        if (shown) {
            view.show();
            QVERIFY(QTest::qWaitForWindowExposed(&view));
        }
        view.Redraw();
        VERIFY_ONE_VALUE_AXIS_DRAWN(view);
        CMSChart model;
        FillFiveSeries(model, {"01-03", "01-04", "01-05"}, type);
        view.SetChart(model);
        VERIFY_ONE_VALUE_AXIS_DRAWN(view);
        QCOMPARE(test::ValueLabelsLeftOfPlot(view).front().value, 100.0);
        QCOMPARE(test::ValueLabelsLeftOfPlot(view).size(), 11);
        model.Axis(AxisId::Value).ValueScale.Maximum = 5000;
        model.Axis(AxisId::Value).ValueScale.Minimum = -5000;
        view.SetChart(model);
        view.Chart().Refresh();
        QCoreApplication::processEvents();
        VERIFY_ONE_VALUE_AXIS_DRAWN(view);
        QCOMPARE(test::ValueLabelsLeftOfPlot(view).front().value, 5000.0);
        QCOMPARE(test::ValueLabelsLeftOfPlot(view).size(), 11);
    }

    void penWidthsBecomeVisiblyIncreasingLines() {
        QCOMPARE(CMSChartView::LineWidthPixels(40), 2);
        QCOMPARE(CMSChartView::LineWidthPixels(60), 3);
        QCOMPARE(CMSChartView::LineWidthPixels(80), 4);
        QCOMPARE(CMSChartView::LineWidthPixels(100), 5);
        QVERIFY(CMSChartView::LineWidthPixels(0) >= 1);
    }

    void barChartDrawsOneSetPerColumnWithValueLabels() {
        CMSChartView view;
        CMSChart& chart = view.Chart();
        chart.SetColumnCount(2);
        chart.SetPenColor(1, 255, 0, 0);
        chart.SetPenColor(2, 0, 0, 255);
        chart.Series(1).LabelLocationType = kLabelLocationAbove;
        chart.Series(2).LabelLocationType = kLabelLocationAbove;
        chart.SetChartType(kChartType2dBar);
        chart.SetRowCount(2);
        chart.SetData(1, 1, 1234567, 0);
        chart.SetData(2, 2, 80, 0);
        chart.Refresh();

        const QList<QAbstractSeries*> series = view.chart()->series();
        QCOMPARE(series.size(), 1);
        auto* bars = qobject_cast<QBarSeries*>(series[0]);
        QVERIFY(bars);
        QCOMPARE(view.DrawnPointLabels(1), QStringList({"1234567", "0"}));  // a million lots in full
        QCOMPARE(bars->barSets().size(), 2);
        QCOMPARE(bars->barSets()[0]->color(), QColor(255, 0, 0));
        QCOMPARE(bars->barSets()[1]->color(), QColor(0, 0, 255));
        QCOMPARE(bars->barSets()[0]->at(0), 1234567.0);
        QCOMPARE(bars->barSets()[1]->at(1), 80.0);
    }

    void seriesWithoutLabelsShowNone() {
        CMSChartView view;
        view.Chart().SetColumnCount(1);
        view.Chart().SetRowCount(1);
        view.Chart().Refresh();
        auto* bars = qobject_cast<QBarSeries*>(view.chart()->series().value(0));
        QVERIFY(bars);
        QVERIFY(view.DrawnPointLabels(1).isEmpty());
    }

    void pointLabelsShowWholeLotsWithoutExponent() {
        QCOMPARE(CMSChartView::PointLabelText(1234567), QStringLiteral("1234567"));
        QCOMPARE(CMSChartView::PointLabelText(-12), QStringLiteral("-12"));
        QCOMPARE(CMSChartView::PointLabelText(0), QStringLiteral("0"));
        QCOMPARE(CMSChartView::PointLabelText(2.5), QStringLiteral("2.5"));
    }

    void redrawsOnlyOnRefresh() {
        CMSChartView view;
        FillFiveSeries(view.Chart(), {"01-03"}, kChartType2dLine);
        view.Chart().Refresh();
        view.Chart().SetTitleText("新标题");
        view.Chart().SetChartType(kChartType2dBar);
        QCOMPARE(view.chart()->title(), QStringLiteral("3日流向曲线图（单位:手）"));
        QVERIFY(qobject_cast<QLineSeries*>(view.chart()->series().value(0)));

        view.Chart().Refresh();
        QCOMPARE(view.chart()->title(), QStringLiteral("新标题"));
        // The lines are gone: one bar series with five sets.
        QCOMPARE(view.chart()->series().size(), 1);
        QVERIFY(qobject_cast<QBarSeries*>(view.chart()->series().value(0)));
    }

    void setChartTakesOverAModelComputedElsewhere() {
        CMSChartView view;
        CMSChart computed;
        FillFiveSeries(computed, {"02-01", "02-02"}, kChartType2dBar);
        view.SetChart(computed);
        QCOMPARE(view.chart()->title(), QStringLiteral("3日流向曲线图（单位:手）"));
        QCOMPARE(CategoryAxis(view)->count(), 2);
        // The view still follows its own copy.
        view.Chart().SetTitleText("后来");
        view.Chart().Refresh();
        QCOMPARE(view.chart()->title(), QStringLiteral("后来"));
    }

    // A set range with equal ends draws the data's own range instead.
    void emptyValueRangeFallsBackToTheData_data() {
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::newRow("mixed") << -350.0 << 1200.0;
        QTest::newRow("all negative") << -900.0 << -20.0;
        QTest::newRow("all zero") << 0.0 << 0.0;
    }
    void emptyValueRangeFallsBackToTheData() {
        QFETCH(double, low);
        QFETCH(double, high);
        CMSChartView view;
        CMSChart& chart = view.Chart();
        chart.SetColumnCount(1);
        chart.SetRowCount(2);
        chart.SetData(1, 1, low, 0);
        chart.SetData(2, 1, high, 0);
        ChartValueScale& scale = chart.Axis(AxisId::Value).ValueScale;
        scale.Auto = false;
        scale.Maximum = 0;
        scale.Minimum = 0;
        chart.Refresh();
        const auto [drawnLow, drawnHigh] = view.DrawnValueRange();
        QVERIFY(drawnHigh > drawnLow);
        QVERIFY(drawnLow <= std::min(low, 0.0));
        QVERIFY(drawnHigh >= std::max(high, 0.0));
    }

    void repeatedDayLabelsKeepOneCategoryPerRow() {
        CMSChartView view;
        CMSChart& chart = view.Chart();
        chart.SetColumnCount(1);
        chart.SetRowCount(3);
        for (int r = 1; r <= 3; ++r) {
            chart.SetRow(r);
            chart.SetRowLabel(r == 2 ? "" : "01-05");  // the same day of two years, and no label
        }
        chart.Refresh();
        QCOMPARE(CategoryAxis(view)->count(), 3);
        QCOMPARE(CategoryAxis(view)->categories()[0], QStringLiteral("01-05"));
        QVERIFY(CategoryAxis(view)->categories()[2].startsWith(QStringLiteral("01-05")));
    }

    void noRowsDrawsAnEmptyChart() {
        CMSChartView view;
        FillFiveSeries(view.Chart(), {}, kChartType2dLine);
        view.Chart().Refresh();
        QCOMPARE(view.chart()->series().size(), 5);
        QCOMPARE(CategoryAxis(view)->count(), 0);
        QCOMPARE(ValueAxis(view)->max(), 100.0);
    }
};

QTEST_MAIN(ChartViewTest)
#include "chart_view_test.moc"
