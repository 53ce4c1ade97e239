#pragma once

#include "app/CDialogBase.h"
#include "app/ChildWindows.h"

namespace moxtel {

// "清除过期数据": deletes every stored day of the chosen stock up to and including the chosen date,
// after a Yes/No question, all in one transaction. The stock list is filled once, at opening.
class CClearDataDlg : public CDialogBase {
    Q_OBJECT
  public:
    explicit CClearDataDlg(const WindowContext& context, QWidget* parent = nullptr);

    void OnDelete();

  protected:
    bool OnInitDialog() override;

  private:
    void FillStockList();
    void SetPickerFormat(const char* format);
};

}  // namespace moxtel
