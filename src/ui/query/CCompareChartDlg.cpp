#include "ui/query/CCompareChartDlg.h"

#include "core/query/FlowCharts.h"
#include "ui/query/CMSChartView.h"
#include "ui/query/CMSFlexGridView.h"
#include "ui/query/ExportFiles.h"

namespace moxtel {

namespace {

constexpr DialogTemplate kCompareTemplate{149, "区间流向图对比（柱状）", 640, 480, 8};

constexpr int kFirstChart = 1196;  // interval 1; 1197..1200 intervals 2..5
constexpr int kHiddenGrid = 1189;
constexpr int kChartHeight = 89;
constexpr int kChartGap = 2;

}  // namespace

CCompareChartDlg::CCompareChartDlg(const WindowContext& context, QWidget* parent)
    : CDialogBase(kCompareTemplate, context.services, parent), m_context(context) {
    for (int k = 1; k <= 5; ++k) {
        const int top = 5 + (5 - k) * (kChartHeight + kChartGap);  // interval 5 at the top
        CMSChartView::Add(*this, kFirstChart + k - 1, {5, top, 630, kChartHeight});
    }
    AddGrid(kHiddenGrid, {5, 5, 10, 10})->hide();  // the window's table of query rows, never shown
    AddButton(1, QString::fromUtf8("退出"), {287, 461, 66, 15});
}

CMSChartView* CCompareChartDlg::IntervalChart(int k) const { return Control<CMSChartView>(kFirstChart + k - 1); }

bool CCompareChartDlg::OnInitDialog() {
    LoadCompareData();
    return CDialogBase::OnInitDialog();
}

void CCompareChartDlg::LoadCompareData() {
    std::array<CMSChart, 5> charts;
    moxtel::LoadCompareData(m_context.store, m_context.session, Grid(kHiddenGrid)->Grid(), charts);
    QList<CMSChartView*> views;
    const HistoryQueryState& query = m_context.session.history;
    for (int k = 1; k <= 5; ++k) {
        IntervalChart(k)->SetChart(charts[static_cast<std::size_t>(k - 1)]);
        IntervalChart(k)->SetExportName(
            RangeExportName(query.stockCode, query.startDate, query.endDate,
                            QString::fromUtf8("柱状图对比_") + QString::fromStdString(Grid(kHiddenGrid)->Grid().TextAt(0, k))));
        views << IntervalChart(k);
    }
    CMSChartView::AlignPlotAreas(views);
    m_loaded = true;
}

void CCompareChartDlg::OnControlsLaidOut() {
    if (!m_loaded) return;
    QList<CMSChartView*> views;
    for (int k = 1; k <= 5; ++k) views << IntervalChart(k);
    CMSChartView::AlignPlotAreas(views);
}

}  // namespace moxtel
