#pragma once

#include "ui/app/CDialogBase.h"
#include "ui/app/ChildWindows.h"
#include "ui/query/ControlTexts.h"

namespace moxtel {

// "区间明细": the six figures of each of the eleven fixed buckets of the session's current day,
// under a title line naming the current master id's stock and date. Read-only; the current day
// and master id need not name the same day (a run without uncertain trades keeps the old id).
class CIntervalDetailDlg : public CDialogBase {
    Q_OBJECT
  public:
    explicit CIntervalDetailDlg(const WindowContext& context, QWidget* parent = nullptr);

    const ControlTexts& Texts() const { return m_texts; }

  protected:
    bool OnInitDialog() override;
    void DoDataExchange(DataExchange& dx) override;

  private:
    void BuildControls();

    WindowContext m_context;
    ControlTexts m_texts;  // title line and the 66 cells
};

}  // namespace moxtel
