#include "query/CWatchListDlg.h"

#include <QDate>
#include <QDateEdit>
#include <QListWidget>

#include "app/Utf8.h"
#include "maintenance/ClearData.h"
#include "query/CMSChartView.h"
#include "query/WatchListChart.h"

namespace moxtel {

namespace {

constexpr DialogTemplate kWatchTemplate{141, "自选股走势", 990, 420, 9};

constexpr int kStartPicker = 1411;
constexpr int kEndPicker = 1412;
constexpr int kShowButton = 1413;
constexpr int kExitButton = 2;
constexpr int kStockList = 1414;
constexpr int kWatchChart = 1415;

constexpr const char* kMsgNoStockTicked = "请勾选需要查看的股票!";

}  // namespace

CWatchListDlg::CWatchListDlg(const WindowContext& context, QWidget* parent)
    : CDialogBase(kWatchTemplate, context.services, parent), m_context(context) {
    SetGeometryKey(QStringLiteral("watchList"));
    AddStatic(Utf8("开始日期"), {7, 8, 36, 12});
    AddDatePicker(kStartPicker, {44, 7, 78, 14});
    AddStatic(Utf8("结束日期"), {132, 8, 36, 12});
    AddDatePicker(kEndPicker, {169, 7, 78, 14});
    AddButton(kShowButton, Utf8("显示"), {260, 6, 60, 16}, ButtonStyle::Default);
    AddButton(kExitButton, Utf8("退出"), {330, 6, 60, 16});
    AddGroup(Utf8("勾选股票"), {7, 28, 170, 385});
    m_stocks = new QListWidget(this);
    m_stocks->setObjectName(QString::number(kStockList));
    AddControl(m_stocks, {12, 40, 160, 368}, Stretch::Both);
    CMSChartView::Add(*this, kWatchChart, {183, 28, 800, 385});
    OnCommand(kShowButton, [this] { OnShow(); });
}

bool CWatchListDlg::OnInitDialog() {
    CDialogBase::OnInitDialog();
    for (const std::string& code : LoadStockCodes()) {
        auto* item = new QListWidgetItem(QString::fromStdString(code), m_stocks);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    m_stocks->sortItems();
    const QDate today = QDate::currentDate();
    Control<QDateEdit>(kStartPicker)->setDate(today.addMonths(-1));
    Control<QDateEdit>(kEndPicker)->setDate(today);
    return true;
}

CMSChartView* CWatchListDlg::ChartView() const { return Control<CMSChartView>(kWatchChart); }

void CWatchListDlg::SetRange(const QString& from, const QString& to) {
    Control<QDateEdit>(kStartPicker)->setDate(QDate::fromString(from, QStringLiteral("yyyyMMdd")));
    Control<QDateEdit>(kEndPicker)->setDate(QDate::fromString(to, QStringLiteral("yyyyMMdd")));
}

void CWatchListDlg::Tick(const QStringList& codes) {
    for (int i = 0; i < m_stocks->count(); ++i) {
        QListWidgetItem* item = m_stocks->item(i);
        item->setCheckState(codes.contains(item->text()) ? Qt::Checked : Qt::Unchecked);
    }
}

QStringList CWatchListDlg::Ticked() const {
    QStringList codes;
    for (int i = 0; i < m_stocks->count(); ++i) {
        if (m_stocks->item(i)->checkState() == Qt::Checked) codes << m_stocks->item(i)->text();
    }
    return codes;
}

void CWatchListDlg::OnShow() {
    const QStringList ticked = Ticked();
    if (ticked.isEmpty()) {
        MessageBox(Utf8(kMsgNoStockTicked));
        return;
    }
    std::vector<std::string> codes;
    for (const QString& code : ticked) codes.push_back(code.toStdString());
    const QString format = QStringLiteral("yyyyMMdd");
    const WatchListData watched =
        LoadWatchList(codes, Control<QDateEdit>(kStartPicker)->date().toString(format).toStdString(),
                      Control<QDateEdit>(kEndPicker)->date().toString(format).toStdString());
    FillWatchListChart(ChartView()->Chart(), watched);
    ChartView()->Redraw();
}

}  // namespace moxtel
