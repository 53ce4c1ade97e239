#pragma once

#include "ui/app/CDialogBase.h"
#include "ui/app/ChildWindows.h"

namespace moxtel {

// "不确定流向明细": the stored trades of uncertain direction of the session's current master id,
// newest first, each with the lots and price of the trades before and after it; a neighbour's lots
// are green with a "-" when it was an outflow, red otherwise. Only the headers for an empty id.
class CUncertainDetailDlg : public CDialogBase {
    Q_OBJECT
  public:
    explicit CUncertainDetailDlg(const WindowContext& context, QWidget* parent = nullptr);

  protected:
    bool OnInitDialog() override;

  private:
    WindowContext m_context;
};

}  // namespace moxtel
