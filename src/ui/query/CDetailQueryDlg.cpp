#include "ui/query/CDetailQueryDlg.h"

#include <QPushButton>

#include "core/query/DetailQuery.h"
#include "ui/app/DataExchange.h"
#include "ui/app/Utf8.h"
#include "ui/query/CMSChartView.h"
#include "ui/query/ExportFiles.h"
#include "ui/stats/ResultPanelIds.h"

namespace moxtel {

namespace {

constexpr DialogTemplate kDetailTemplate{146, "明细查询", 853, 430, 9};

constexpr int kIntervalDetailButton = 1135;
constexpr int kUncertainDetailButton = 1142;
constexpr int kDayChart = 1196;
constexpr int kPageTabs = 1530;

constexpr PanelGroupCaptions kDetailPanelCaptions{"流入[手(万元)]", "流出[手(万元)]",
                                                  "流向[手(万元)]", "流向(加未知流向)[手(万元)]",
                                                  "总量[手(万元)]", "未知流向[手(万元)]"};


}  // namespace

CDetailQueryDlg::CDetailQueryDlg(const WindowContext& context, QWidget* parent)
    : CDialogBase(kDetailTemplate, context.services, parent), m_context(context) {
    BuildControls();
    OnCommand(kIntervalDetailButton, [this] { OnIntervalDetail(); });
    OnCommand(kUncertainDetailButton, [this] { OnUncertainDetail(); });
    for (int row = 0; row < kDynamicRows; ++row) {
        OnCommand(DynamicStatsRows::kButtons[static_cast<std::size_t>(row)], [this, row] { OnDynamicRow(row); });
    }
}

void CDetailQueryDlg::BuildControls() {
    AddEdit(kIdDayTitle, {5, 5, 843, 14}, EditStyle::ReadOnlyCentred);

    AddGroup(Utf8("汇总"), {5, 22, 680, 42});
    m_panel.BuildTotalsRow(*this, 12, 33, 666);
    AddButton(kIntervalDetailButton, Utf8("查看区间明细"), {691, 27, 84, 16});
    AddButton(kUncertainDetailButton, Utf8("查看不确定流向明细"), {691, 47, 84, 16});
    AddButton(1, Utf8("退出"), {782, 27, 66, 16});

    // As in the main window: the intervals and the order classes share the area under the totals.
    m_pages.Build(*this, kPageTabs, {5, 67, 843, 13},
                  {{"按区间",
                    [this] {
                        m_panel.BuildIntervalGroups(*this, 5, 82, 843, 104, kDetailPanelCaptions);
                        m_dynamicRows.Build(*this, 5, 190, 843, 84);
                    }},
                   {"按金额分类", [this] { m_orderClasses.Build(*this, 5, 82, 843, 106); }}});
    CMSChartView::Add(*this, kDayChart, {5, 278, 843, 147});
}

CMSChartView* CDetailQueryDlg::ChartView() const { return Control<CMSChartView>(kDayChart); }

bool CDetailQueryDlg::OnInitDialog() {
    EnableDetailButtons(false);
    const DetailPanelFigures panel = LoadDetailDay(m_context.store, m_context.session, ChartView()->Chart());
    const DayFlowResult& day = m_context.session.day;
    ChartView()->SetExportName(RangeExportName(day.stockCode, day.tradeDate, day.tradeDate, Utf8("日流量图")));
    m_title = QString::fromStdString(panel.title);
    std::array<QString, kPanelIntervals> labels;
    for (std::size_t n = 0; n < labels.size(); ++n) labels[n] = QString::fromStdString(panel.intervalTexts[n]);
    m_panel.SetIntervalLabels(labels);
    m_panel.ShowTotals(panel.total);
    m_panel.ShowIntervals(panel.intervals);
    m_orderClasses.Show(day);
    UpdateData(false);
    EnableDetailButtons(true);
    return true;
}

void CDetailQueryDlg::DoDataExchange(DataExchange& dx) {
    dx.Text(kIdDayTitle, m_title);
    m_panel.Exchange(dx);
    m_dynamicRows.Exchange(dx);
    m_orderClasses.Exchange(dx);
}

void CDetailQueryDlg::EnableDetailButtons(bool enable) {
    for (int id : {1098, 1099, 1100, kIntervalDetailButton, kUncertainDetailButton}) Button(id)->setEnabled(enable);
}

void CDetailQueryDlg::OnIntervalDetail() { m_context.children.Open(kIntervalDetailDlg, m_context); }

void CDetailQueryDlg::OnUncertainDetail() { m_context.children.Open(kUncertainDetailDlg, m_context); }

void CDetailQueryDlg::OnDynamicRow(int row) {
    UpdateData(true);
    if (!m_dynamicRows.Compute(*this, row, m_context.session.day)) {
        MessageBox(QString::fromUtf8(kMsgDynamicRangeReversed));
        return;
    }
    UpdateData(false);
}

}  // namespace moxtel
