#pragma once

#include <array>

#include "ui/app/CDialogBase.h"
#include "ui/app/ChildWindows.h"

namespace moxtel {

class CMSChartView;

inline constexpr const char* kCompareChartDlg = "CCompareChartDlg";

// "区间流向图对比（柱状）": one bar chart per template interval over the days of the last history
// query, net inflow in red and net outflow in blue; interval 1 at the bottom, interval 5 at the
// top. It repeats the query into its own hidden grid, so like a query it leaves the session's
// current day and master id at the last listed day.
class CCompareChartDlg : public CDialogBase {
    Q_OBJECT
  public:
    explicit CCompareChartDlg(const WindowContext& context, QWidget* parent = nullptr);

    // Chart of interval k (1..5).
    CMSChartView* IntervalChart(int k) const;

  protected:
    bool OnInitDialog() override;
    // The five plot areas are lined up again for the new size.
    void OnControlsLaidOut() override;

  private:
    void LoadCompareData();

    WindowContext m_context;
    bool m_loaded = false;
};

}  // namespace moxtel
