#pragma once

#include "ui/app/CDialogBase.h"
#include "ui/app/ChildWindows.h"

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
    // "将删除 <stock> 截至 <date> 保存的 <n> 天数据", empty while no stock is chosen.
    QString WhatIsCleared() const;
    void ShowWhatIsCleared();
    void SetPickerFormat(const char* format);

    const StoreContext& m_store;
};

}  // namespace moxtel
