#pragma once

#include <array>

#include "core/query/HistoryQuery.h"
#include "ui/app/CDialogBase.h"
#include "ui/app/ChildWindows.h"

class QDateEdit;

namespace moxtel {

class CMSChartView;

// "历史查询": the stored days of one stock between two dates, one grid row per day with the net
// flow of the template's five intervals and the day's totals, drawn as a line or bar chart. A
// double-click on a day opens it in the detail query window; "柱状图对比" opens the comparison.
// Writes the session's history filters, current day and current master id as it lists days.
class CHistoryQueryDlg : public CDialogBase {
    Q_OBJECT
  public:
    explicit CHistoryQueryDlg(const WindowContext& context, QWidget* parent = nullptr);

    void OnQuery();
    void OnLineChart();
    void OnBarChart();
    void OnCompareChart();
    // The 主力净额 chart in place of the flow chart: the day's as bars, the running sum as a line.
    void OnMainNetChart();
    void OnGridDblClick();

    CMSChartView* ChartView() const;
    const std::array<bool, 5>& ShowInterval() const { return m_bShowInterval; }
    int ChartMode() const { return m_nChartMode; }

  protected:
    bool OnInitDialog() override;
    void DoDataExchange(DataExchange& dx) override;

  private:
    void BuildControls();
    // The query another window asked for (the session's history request), run once when opened.
    void RunRequestedQuery();
    void FillStockList();
    void FillTemplateList();
    // Grid headers and check box texts of the chosen template (the defaults for none).
    void ApplyTemplateHeaders();
    void CheckAllIntervals();
    void ReadIntervalChecks();
    void RedrawFlowChart();
    // The chart's file name: the queried stock and dates and the kind of chart.
    void NameChartExport();
    void EnableChartButtons(bool enable);
    void SetPickerFormat(const char* format);
    void ShowIntervalTexts();
    CMSFlexGrid& DayGrid() const;

    WindowContext m_context;
    QString m_strStartDate;                 // 1099, displayed text
    QString m_strEndDate;                   // 1100, displayed text
    QString m_strStockCode;                 // 1114
    QString m_strTemplateName;              // 1115
    std::array<int, 5> m_nIntervalCheck{};  // 1205..1209
    std::array<bool, 5> m_bShowInterval{true, true, true, true, true};
    int m_nChartMode = 0;  // 0 line chart, 1 bar chart
    bool m_bMainNetShown = false;  // the chart shows 主力净额, not the flow
};

}  // namespace moxtel
