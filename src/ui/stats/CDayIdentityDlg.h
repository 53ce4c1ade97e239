#pragma once

#include <optional>

#include "core/data/StoreContext.h"
#include "core/layout/DayIdentity.h"
#include "ui/app/CDialogBase.h"

namespace moxtel {

// "交易日期和股票": asks for the day and the stock of a tick table that carries neither (the
// header-layout tables of the quote sites), before the statistics run stores anything. Prefilled
// with what the file name says; the stock list offers the stored stocks. OK checks the stock
// ("名称(代码)" or a six-digit code) and keeps the window open with a message when it is not.
// A table whose direction column holds numbers of open meaning also gets a row asking for the codes
// of buy, sell and neutral (as --direction-codes takes them); a trade list without a direction column
// a checkbox to infer them by the tick rule (as --infer-direction tick-rule), which OK requires. A
// table of several stocks offers its codes first in the stock list.
class CDayIdentityDlg : public CDialogBase {
    Q_OBJECT
  public:
    // store: the database whose stored stocks are offered; it must outlive the window.
    CDayIdentityDlg(IWindowServices& services, const QString& fileName, const DayIdentity& guess,
                    const StoreContext& store, QWidget* parent = nullptr);

    // The checked date and stock after OK.
    const DayIdentity& Identity() const { return m_identity; }

  protected:
    bool OnInitDialog() override;
    void OnOK() override;

  private:
    void AddCodesRow(const DayIdentity& guess, int top);
    void AddInferRow(const DayIdentity& guess, int top);

    DayIdentity m_identity;
    const StoreContext& m_store;
};

// The day overrides of a desktop run: stored stock names, and the window above whenever the file
// turns out to be a header-layout table. Cancelling it ends the run without a message.
DayOverrides DesktopDayOverrides(IWindowServices& services, QWidget* owner, const QString& path,
                                 const StoreContext& store);

}  // namespace moxtel
