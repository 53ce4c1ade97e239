#include "ui/query/CHistoryQueryDlg.h"

#include <QCheckBox>
#include <QDate>
#include <QDateEdit>
#include <QPushButton>

#include "core/maintenance/ClearData.h"
#include "core/query/FlowCharts.h"
#include "core/query/MainNetChart.h"
#include "core/templates/TemplateStore.h"
#include "ui/app/CDropList.h"
#include "ui/app/DataExchange.h"
#include "ui/app/Utf8.h"
#include "ui/query/CCompareChartDlg.h"
#include "ui/query/CMSChartView.h"
#include "ui/query/CMSFlexGridView.h"
#include "ui/query/CRankDlg.h"
#include "ui/query/CWatchListDlg.h"
#include "ui/query/DatePickerFormats.h"
#include "ui/query/ExportFiles.h"

namespace moxtel {

namespace {

constexpr DialogTemplate kHistoryTemplate{103, "历史查询", 990, 420, 9};

constexpr int kStartPicker = 1099;
constexpr int kEndPicker = 1100;
constexpr int kStockList = 1114;
constexpr int kTemplateList = 1115;
constexpr int kQueryButton = 1098;
constexpr int kExitButton = 2;
constexpr int kDayGrid = 1189;
constexpr int kFlowChart = 1196;
constexpr int kFirstIntervalCheck = 1205;
constexpr int kLineChartButton = 1128;
constexpr int kBarChartButton = 1127;
constexpr int kCompareButton = 1129;
constexpr int kRankButton = 1130;
constexpr int kWatchButton = 1131;
constexpr int kMainNetButton = 1132;


}  // namespace

CHistoryQueryDlg::CHistoryQueryDlg(const WindowContext& context, QWidget* parent)
    : CDialogBase(kHistoryTemplate, context.services, parent), m_context(context) {
    SetGeometryKey(QStringLiteral("historyQuery"));
    BuildControls();
    OnCommand(kQueryButton, [this] { OnQuery(); });
    OnCommand(kLineChartButton, [this] { OnLineChart(); });
    OnCommand(kBarChartButton, [this] { OnBarChart(); });
    OnCommand(kCompareButton, [this] { OnCompareChart(); });
    OnCommand(kMainNetButton, [this] { OnMainNetChart(); });
    OnCommand(kRankButton, [this] { m_context.children.Open(kRankDlg, m_context); });
    OnCommand(kWatchButton, [this] { m_context.children.Open(kWatchListDlg, m_context); });
    // A double-click on the header row opens the detail window too, on an empty master id.
    Grid(kDayGrid)->SetHeaderRowEvents(true);
    connect(Grid(kDayGrid), &CMSFlexGridView::DblClick, this, [this] { OnGridDblClick(); });
}

void CHistoryQueryDlg::BuildControls() {
    AddStatic(Utf8("开始日期"), {7, 8, 36, 12});
    AddDatePicker(kStartPicker, {44, 7, 78, 14});
    AddStatic(Utf8("结束日期"), {132, 8, 36, 12});
    AddDatePicker(kEndPicker, {169, 7, 78, 14});
    AddStatic(Utf8("选择股票"), {257, 8, 36, 12});
    AddDropList(kStockList, {294, 7, 130, 14});
    AddStatic(Utf8("选择模板"), {434, 8, 36, 12});
    AddDropList(kTemplateList, {471, 7, 120, 14});
    AddButton(kQueryButton, Utf8("查询"), {610, 6, 60, 16});
    AddButton(kExitButton, Utf8("退出"), {680, 6, 60, 16});
    AddButton(kRankButton, Utf8("资金排行"), {750, 6, 60, 16});
    AddButton(kWatchButton, Utf8("自选股走势"), {820, 6, 60, 16});

    AddGrid(kDayGrid, {7, 28, 976, 170});  // wide enough for all nine visible columns
    CMSChartView::Add(*this, kFlowChart, {7, 204, 860, 209});

    AddGroup(Utf8("选择需要显示的区间"), {873, 204, 110, 104});
    for (int k = 0; k < 5; ++k) AddCheck(kFirstIntervalCheck + k, QString(), {880, 217 + 17 * k, 98, 13});
    AddButton(kLineChartButton, Utf8("曲线图"), {878, 318, 100, 18});
    AddButton(kBarChartButton, Utf8("柱状图"), {878, 342, 100, 18});
    AddButton(kCompareButton, Utf8("柱状图对比"), {878, 366, 100, 18});
    AddButton(kMainNetButton, Utf8("主力净额"), {878, 390, 100, 18});
}

CMSChartView* CHistoryQueryDlg::ChartView() const { return Control<CMSChartView>(kFlowChart); }

CMSFlexGrid& CHistoryQueryDlg::DayGrid() const { return Grid(kDayGrid)->Grid(); }

bool CHistoryQueryDlg::OnInitDialog() {
    m_bShowInterval.fill(true);
    DayGrid().SetBackColor(kColorBlack);
    FillStockList();
    FillTemplateList();
    ApplyTemplateHeaders();
    m_nChartMode = 0;
    UpdateData(false);
    EnableChartButtons(false);
    RunRequestedQuery();
    return true;
}

void CHistoryQueryDlg::RunRequestedQuery() {
    HistoryRequest& request = m_context.session.historyRequest;
    if (!request.pending) return;
    request.pending = false;
    CDropList* list = DropList(kStockList);
    list->setCurrentIndex(list->findText(QString::fromStdString(request.stockCode)));
    const QString format = QStringLiteral("yyyyMMdd");
    Control<QDateEdit>(kStartPicker)->setDate(QDate::fromString(QString::fromStdString(request.startDate), format));
    Control<QDateEdit>(kEndPicker)->setDate(QDate::fromString(QString::fromStdString(request.endDate), format));
    OnQuery();
}

void CHistoryQueryDlg::DoDataExchange(DataExchange& dx) {
    dx.Text(kStartPicker, m_strStartDate);
    dx.Text(kEndPicker, m_strEndDate);
    dx.Text(kStockList, m_strStockCode);
    dx.Text(kTemplateList, m_strTemplateName);
    for (int k = 0; k < 5; ++k) dx.Check(kFirstIntervalCheck + k, m_nIntervalCheck[static_cast<std::size_t>(k)]);
}

void CHistoryQueryDlg::FillStockList() {
    CDropList* list = DropList(kStockList);
    for (const std::string& code : LoadStockCodes(m_context.store)) list->AddString(QString::fromStdString(code));
    list->setCurrentIndex(-1);
}

void CHistoryQueryDlg::FillTemplateList() {
    CDropList* list = DropList(kTemplateList);
    for (const std::string& name : LoadTemplateNames(m_context.store)) list->AddString(QString::fromStdString(name));
    list->setCurrentIndex(-1);
}

void CHistoryQueryDlg::ApplyTemplateHeaders() {
    const CDropList* list = DropList(kTemplateList);
    const QString name = list->currentIndex() < 0 ? QString() : list->currentText();
    moxtel::ApplyTemplateHeaders(m_context.store, m_context.session.history, DayGrid(), name.toStdString());
    ShowIntervalTexts();
}

void CHistoryQueryDlg::ShowIntervalTexts() {
    for (int k = 1; k <= 5; ++k) {
        Control<QCheckBox>(kFirstIntervalCheck + k - 1)->setText(QString::fromStdString(DayGrid().TextAt(0, k)));
    }
}

void CHistoryQueryDlg::OnQuery() {
    EnableChartButtons(false);
    m_bMainNetShown = false;  // the query sets the flow chart up again
    SetPickerFormat(kPickerDigitsFormat);
    CheckAllIntervals();  // also saves the pickers' eight digits and the lists' texts
    const HistoryQueryInput input{m_strStockCode.toStdString(), m_strStartDate.toStdString(),
                                  m_strEndDate.toStdString(), m_strTemplateName.toStdString()};
    const HistoryChartOptions options{m_nChartMode, m_bShowInterval};
    const Result<int> listed =
        QueryHistory(m_context.store, m_context.session, input, DayGrid(), ChartView()->Chart(), options);
    ShowIntervalTexts();
    if (listed) {
        NameChartExport();
        ChartView()->Redraw();  // a query without days sets the chart up without filling it
    } else if (!listed.error().Shown()) {
        MessageBox(QString::fromStdString(listed.error().message));
    }
    SetPickerFormat(kPickerDashedFormat);
    UpdateData(false);
    if (listed && *listed > 0) EnableChartButtons(true);
}

void CHistoryQueryDlg::CheckAllIntervals() {
    UpdateData(true);
    m_bShowInterval.fill(true);
    m_nIntervalCheck.fill(1);
    UpdateData(false);
}

void CHistoryQueryDlg::ReadIntervalChecks() {
    UpdateData(true);
    for (std::size_t k = 0; k < m_bShowInterval.size(); ++k) m_bShowInterval[k] = m_nIntervalCheck[k] != 0;
}

void CHistoryQueryDlg::OnLineChart() {
    m_nChartMode = 0;
    ReadIntervalChecks();
    RedrawFlowChart();
}

void CHistoryQueryDlg::OnBarChart() {
    m_nChartMode = 1;
    ReadIntervalChecks();
    RedrawFlowChart();
}

void CHistoryQueryDlg::RedrawFlowChart() {
    // The axis range stays as the query set it up; only the data and the chart type change. After
    // the 主力净额 chart the flow chart is set up again.
    if (m_bMainNetShown) {
        SetupHistoryChart(ChartView()->Chart(), m_context.session.history);
        m_bMainNetShown = false;
    }
    NameChartExport();
    FillHistoryChart(ChartView()->Chart(), m_context.session.history, HistoryChartOptions{m_nChartMode, m_bShowInterval});
}

void CHistoryQueryDlg::OnMainNetChart() {
    FillMainNetChart(ChartView()->Chart(), m_context.session.history);
    m_bMainNetShown = true;
    ChartView()->Redraw();
    ChartView()->SetExportName(RangeExportName(m_context.session.history.stockCode,
                                               m_context.session.history.startDate,
                                               m_context.session.history.endDate, Utf8("主力净额")));
}

void CHistoryQueryDlg::NameChartExport() {
    const HistoryQueryState& query = m_context.session.history;
    ChartView()->SetExportName(RangeExportName(query.stockCode, query.startDate, query.endDate,
                                               Utf8(m_nChartMode == 0 ? "曲线图" : "柱状图")));
}

void CHistoryQueryDlg::OnCompareChart() { m_context.children.Open(kCompareChartDlg, m_context); }

void CHistoryQueryDlg::OnGridDblClick() {
    // The header row and the empty last row hold no master id: the detail window then shows zeros.
    CMSFlexGrid& grid = DayGrid();
    grid.SetRow(grid.RowSel());
    grid.SetCol(kHistoryMasterIdCol);
    m_context.session.currentMasterId = grid.Text();
    m_context.children.Open(kDetailQueryDlg, m_context);
}

void CHistoryQueryDlg::EnableChartButtons(bool enable) {
    for (int id : {kLineChartButton, kCompareButton, kBarChartButton, kMainNetButton}) Button(id)->setEnabled(enable);
}

void CHistoryQueryDlg::SetPickerFormat(const char* format) {
    for (int id : {kStartPicker, kEndPicker}) Control<QDateEdit>(id)->setDisplayFormat(Utf8(format));
}

}  // namespace moxtel
