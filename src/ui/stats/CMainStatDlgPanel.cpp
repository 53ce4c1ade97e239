// The main window's result panel: totals, template rows, template list and dynamic rows.
#include "core/query/SessionState.h"
#include "core/templates/TemplateStore.h"
#include "ui/app/CDropList.h"
#include "ui/app/CMainStatDlg.h"

namespace moxtel {

namespace {
constexpr int kTemplateList = 1114;
}

void CMainStatDlg::ShowDayTotals() {
    m_panel.ShowDayTotals(m_context.session.day);
    m_orderClasses.Show(m_context.session.day);
    UpdateData(false);
}

void CMainStatDlg::LoadTemplateNames() {
    CDropList* list = DropList(kTemplateList);
    for (const std::string& name : ::moxtel::LoadTemplateNames(m_context.store))
        list->AddString(QString::fromStdString(name));
    list->setCurrentIndex(-1);
}

void CMainStatDlg::ReloadTemplateNames() {
    CDropList* list = DropList(kTemplateList);
    const QString chosen = list->currentIndex() >= 0 ? list->currentText() : QString();
    list->clear();
    LoadTemplateNames();
    // The choice stays when its template still exists; the intervals shown are not touched.
    if (!chosen.isEmpty()) list->setCurrentIndex(list->findText(chosen));
}

void CMainStatDlg::SetDefaultIntervalLabels() { m_panel.SetDefaultIntervalLabels(); }

void CMainStatDlg::OnTemplateSelected() {
    // Keep what was typed into the inputs: the load below writes every member back.
    UpdateData(true);
    ApplySelectedTemplate();
    UpdateData(false);
    if (m_bHasResult) ComputeTemplateSums();
}

void CMainStatDlg::ApplySelectedTemplate() {
    const CDropList* list = DropList(kTemplateList);
    const QString name = list->currentIndex() < 0 ? QString() : list->currentText();
    if (name.isEmpty())
        SetDefaultIntervalLabels();
    else
        LoadTemplateLabels(name);
}

void CMainStatDlg::LoadTemplateLabels(const QString& name) {
    const auto values = LoadTemplateValues(m_context.store, name.toStdString());
    if (!values) return;  // no longer stored: the labels stay
    std::array<QString, kPanelIntervals> texts;
    for (std::size_t n = 0; n < texts.size(); ++n) texts[n] = QString::fromStdString((*values)[n]);
    m_panel.SetIntervalLabels(texts);
}

void CMainStatDlg::ComputeTemplateSums() {
    UpdateData(true);
    m_panel.ComputeIntervalSums(m_context.session.day);
    UpdateData(false);
}

void CMainStatDlg::OnDynamicRow(int row) {
    UpdateData(true);
    if (!m_dynamicRows.Compute(*this, row, m_context.session.day)) {
        MessageBox(QString::fromUtf8(kMsgDynamicRangeReversed));
        return;
    }
    UpdateData(false);
}

}  // namespace moxtel
