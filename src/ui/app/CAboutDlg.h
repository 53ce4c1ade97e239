#pragma once

#include "ui/app/CDialogBase.h"

namespace moxtel {

// The About box: program icon, name, version and the disclaimer; "确定" closes it.
class CAboutDlg : public CDialogBase {
    Q_OBJECT
  public:
    explicit CAboutDlg(IWindowServices& services, QWidget* parent = nullptr);
};

}  // namespace moxtel
