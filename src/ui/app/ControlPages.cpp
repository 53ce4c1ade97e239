#include "ui/app/ControlPages.h"

#include <QTabBar>

namespace moxtel {

void ControlPages::Build(CDialogBase& window, int tabsId, DuRect place, std::initializer_list<Page> pages) {
    m_tabs = new QTabBar;
    m_tabs->setObjectName(QString::number(tabsId));
    m_tabs->setExpanding(false);
    m_tabs->setDrawBase(false);
    window.AddControl(m_tabs, place, Stretch::Width);
    const QWidget* area = m_tabs->parentWidget();
    auto controls = [area] { return area->findChildren<QWidget*>(Qt::FindDirectChildrenOnly); };
    QList<QWidget*> before = controls();
    for (const auto& [text, build] : pages) {
        m_tabs->addTab(QString::fromUtf8(text));
        build();
        QList<QWidget*> now = controls();
        QList<QWidget*> page = now;
        // A group box is lowered behind the controls it frames, so the order says nothing: compare.
        page.removeIf([&before](QWidget* control) { return before.contains(control); });
        m_pages.push_back(std::move(page));
        before = std::move(now);
    }
    QObject::connect(m_tabs, &QTabBar::currentChanged, m_tabs, [this](int page) { Show(page); });
    Show(0);
}

void ControlPages::Show(int page) {
    if (page < 0 || page >= static_cast<int>(m_pages.size())) return;
    // Every other page hides before the chosen one shows, so two pages never show at once.
    for (std::size_t i = 0; i < m_pages.size(); ++i)
        if (static_cast<int>(i) != page)
            for (QWidget* control : m_pages[i]) control->hide();
    for (QWidget* control : m_pages[static_cast<std::size_t>(page)]) control->show();
}

}  // namespace moxtel
