#include "ui/query/CWatchListDlg.h"

#include <QListWidget>

#include "core/maintenance/ClearData.h"
#include "core/query/WatchListChart.h"
#include "ui/app/Utf8.h"
#include "ui/query/CMSChartView.h"

namespace moxtel {

namespace {

constexpr DialogTemplate kWatchTemplate{141, "自选股走势", 990, 420, 9};

constexpr int kShowButton = 1413;
constexpr int kStockList = 1414;
constexpr int kWatchChart = 1415;
constexpr RangeQueryFrame kWatchFrame{"watchList", 1411, 1412, kShowButton, "显示", kWatchChart};

constexpr const char* kMsgNoStockTicked = "请勾选需要查看的股票!";

}  // namespace

CWatchListDlg::CWatchListDlg(const WindowContext& context, QWidget* parent)
    : CRangeQueryDlg(kWatchTemplate, kWatchFrame, context, parent) {
    AddGroup(Utf8("勾选股票"), {7, 28, 170, 385});
    m_stocks = new QListWidget(this);
    m_stocks->setObjectName(QString::number(kStockList));
    AddControl(m_stocks, {12, 40, 160, 368}, Stretch::Both);
    CMSChartView::Add(*this, kWatchChart, {183, 28, 800, 385});
    OnCommand(kShowButton, [this] { OnShow(); });
}

bool CWatchListDlg::OnInitDialog() {
    CRangeQueryDlg::OnInitDialog();
    for (const std::string& code : LoadStockCodes(m_context.store)) {
        auto* item = new QListWidgetItem(QString::fromStdString(code), m_stocks);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    m_stocks->sortItems();
    return true;
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
    const WatchListData watched =
        LoadWatchList(m_context.store, codes, StartDate().toStdString(), EndDate().toStdString());
    FillWatchListChart(ChartView()->Chart(), watched);
    ChartView()->Redraw();
}

}  // namespace moxtel
