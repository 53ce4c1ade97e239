#include "ui/query/CRankDlg.h"

#include <QHeaderView>
#include <QPushButton>

#include "core/query/RankViews.h"
#include "core/query/SessionState.h"
#include "ui/app/Utf8.h"
#include "ui/query/CMSChartView.h"
#include "ui/query/CMSFlexGridView.h"

namespace moxtel {

namespace {

constexpr DialogTemplate kRankTemplate{140, "资金排行", 990, 420, 9};

constexpr int kQueryButton = 1403;
constexpr int kRankGrid = 1404;
constexpr int kRankChart = 1405;
constexpr RangeQueryFrame kRankFrame{"rank", 1401, 1402, kQueryButton, "查询", kRankChart};

constexpr const char* kMsgSortHint = "点击列标题按该列排序，双击股票查看其历史";

}  // namespace

CRankDlg::CRankDlg(const WindowContext& context, QWidget* parent)
    : CRangeQueryDlg(kRankTemplate, kRankFrame, context, parent) {
    AddStatic(Utf8(kMsgSortHint), {400, 8, 300, 12});
    AddGrid(kRankGrid, {7, 28, 976, 190});
    CMSChartView::Add(*this, kRankChart, {7, 224, 976, 189});
    OnCommand(kQueryButton, [this] { OnQuery(); });
    // A click on the fixed row arrives when the button is released: on a header section, pressed
    // before, it sorts by that column; on the corner (the stock column, the grid's fixed one) by code.
    Grid(kRankGrid)->SetHeaderRowEvents(true);
    Grid(kRankGrid)->horizontalHeader()->setSectionsClickable(true);
    connect(Grid(kRankGrid)->horizontalHeader(), &QHeaderView::sectionPressed, this,
            [this](int section) { m_pressedColumn = section + 1; });
    connect(Grid(kRankGrid), &CMSFlexGridView::Click, this, [this] {
        if (Grid(kRankGrid)->Grid().RowSel() == 0) SortByColumn(m_pressedColumn);
        m_pressedColumn = 0;
    });
    connect(Grid(kRankGrid), &CMSFlexGridView::DblClick, this, [this] { OnGridDblClick(); });
}

void CRankDlg::OnQuery() {
    const QString from = StartDate();
    const QString to = EndDate();
    if (from > to) {
        MessageBox(Utf8("开始日期不能晚于结束日期!"));
        return;
    }
    auto rows = LoadRankRows(m_context.store, from.toStdString(), to.toStdString());
    m_rows.clear();
    if (rows) {
        m_rows = std::move(*rows);
        m_from = from;
        m_to = to;
    } else if (!rows.error().Shown()) {
        MessageBox(QString::fromStdString(rows.error().message));
    }
    SortByColumn(m_sortColumn);
}

void CRankDlg::SortByColumn(int column) {
    m_sortColumn = column;
    SortRankRowsByColumn(m_rows, column);
    ShowRows();
}

void CRankDlg::ShowRows() {
    FillRankGrid(Grid(kRankGrid)->Grid(), m_rows);
    FillRankChart(ChartView()->Chart(), m_rows, m_sortColumn);
    ChartView()->Redraw();
}

void CRankDlg::OnGridDblClick() {
    const int row = Grid(kRankGrid)->Grid().RowSel();
    if (row < 1 || row > static_cast<int>(m_rows.size())) return;
    HistoryRequest& request = m_context.session.historyRequest;
    request = {m_rows[static_cast<std::size_t>(row - 1)].stockCode, m_from.toStdString(), m_to.toStdString(), true};
    m_context.children.Open(kHistoryQueryDlg, m_context);
    request.pending = false;
}

}  // namespace moxtel
