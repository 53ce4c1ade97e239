#pragma once

#include <array>

#include "core/data/StoreContext.h"
#include "ui/app/CDialogBase.h"

namespace moxtel {

struct IntervalChoice;

// The template settings window: a name, five intervals chosen from from-lists and to-lists,
// add (id 1, also Enter) / update / delete by name, and the grid of the stored templates; a
// click on a grid row loads that template back into the name and the lists. The templates are
// those of store, which must outlive the window.
class CTemplateDlg : public CDialogBase {
    Q_OBJECT
  public:
    CTemplateDlg(IWindowServices& services, const StoreContext& store, QWidget* parent = nullptr);

    void OnAddTemplate();
    void OnUpdateTemplate();
    void OnDeleteTemplate();
    void OnTemplateGridClick();
    void FillTemplateGrid();

  protected:
    bool OnInitDialog() override;
    void DoDataExchange(DataExchange& dx) override;
    // The window's OK is its add command; the window stays open.
    void OnOK() override { OnAddTemplate(); }

  private:
    void SaveTemplateOfMode(bool insert);
    void SetTemplateGridHeaders();
    std::array<IntervalChoice, 5> IntervalChoices() const;

    const StoreContext& m_store;
    QString m_strTemplateName;
    std::array<int, 5> m_nFromItem{-1, -1, -1, -1, -1};
    std::array<int, 5> m_nToItem{-1, -1, -1, -1, -1};
};

}  // namespace moxtel
