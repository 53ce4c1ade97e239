#pragma once

#include <vector>

#include "core/query/RankQuery.h"
#include "ui/query/CRangeQueryDlg.h"

namespace moxtel {

// "资金排行": every stored stock's flows over a date range, one grid row per stock, sorted by the
// column whose header was clicked (主力净额 first), and a bar chart of the top and bottom 10 of that
// column. A double-click on a stock opens its history over the same range.
class CRankDlg : public CRangeQueryDlg {
    Q_OBJECT
  public:
    explicit CRankDlg(const WindowContext& context, QWidget* parent = nullptr);

    void OnQuery();
    void SortByColumn(int column);
    void OnGridDblClick();

    const std::vector<RankRow>& Rows() const { return m_rows; }
    int SortColumn() const { return m_sortColumn; }

  private:
    void ShowRows();

    std::vector<RankRow> m_rows;
    int m_sortColumn = 5;     // 主力净额
    int m_pressedColumn = 0;  // the header section pressed, until its click arrives
    QString m_from, m_to;     // the range of the rows shown (yyyymmdd)
};

}  // namespace moxtel
