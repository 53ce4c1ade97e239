#pragma once

#include <QString>

#include "ui/app/CDialogBase.h"
#include "ui/app/ChildWindows.h"

namespace moxtel {

class CMSChartView;

// The ids and captions of a range window's top row.
struct RangeQueryFrame {
    const char* geometryKey;  // where the window's size and place are remembered
    int startPicker;
    int endPicker;
    int actionButton;  // the default button, left of 退出 (id 2)
    const char* actionCaption;
    int chart;
};

// The frame of the windows that look across stored stocks over a date range (资金排行, 自选股走势):
// 开始日期 and 结束日期 pickers, set to the month up to today when the window opens, the window's
// action button and 退出 in one row, and a chart the window places.
class CRangeQueryDlg : public CDialogBase {
    Q_OBJECT
  public:
    // Sets the range shown in the pickers (yyyymmdd).
    void SetRange(const QString& from, const QString& to);
    CMSChartView* ChartView() const;

  protected:
    CRangeQueryDlg(const DialogTemplate& dialogTemplate, const RangeQueryFrame& frame, const WindowContext& context,
                   QWidget* parent);

    bool OnInitDialog() override;
    // The pickers' dates, yyyymmdd.
    QString StartDate() const;
    QString EndDate() const;

    WindowContext m_context;

  private:
    RangeQueryFrame m_frame;
};

}  // namespace moxtel
