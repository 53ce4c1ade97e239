#pragma once

#include "ui/app/CDialogBase.h"
#include "ui/app/ChildWindows.h"
#include "ui/app/ControlPages.h"
#include "ui/stats/DynamicStatsRows.h"
#include "ui/stats/OrderClassSection.h"
#include "ui/stats/ResultPanel.h"

namespace moxtel {

class CMSChartView;

// "明细查询": one stored day, the session's current master id, shown as the main window shows a
// fresh result: title, summary, the intervals of the last history query in six groups, the dynamic
// rows, the day's order classes on a second tab (dashes and a note for a day stored without them)
// and a chart of the intervals. Opening it reloads the session's current day from the
// database (uncertain trades included), so the detail windows opened from here show that day.
// Nothing is written.
class CDetailQueryDlg : public CDialogBase {
    Q_OBJECT
  public:
    explicit CDetailQueryDlg(const WindowContext& context, QWidget* parent = nullptr);

    void OnIntervalDetail();
    void OnUncertainDetail();
    void OnDynamicRow(int row);  // 0..2

    CMSChartView* ChartView() const;
    const OrderClassSection& OrderClasses() const { return m_orderClasses; }
    QTabBar* PageTabs() const { return m_pages.Tabs(); }

  protected:
    bool OnInitDialog() override;
    void DoDataExchange(DataExchange& dx) override;

  private:
    void BuildControls();
    void EnableDetailButtons(bool enable);

    WindowContext m_context;
    QString m_title;
    ResultPanel m_panel;  // summary, interval labels and values
    DynamicStatsRows m_dynamicRows;
    OrderClassSection m_orderClasses;
    ControlPages m_pages;
};

}  // namespace moxtel
