#pragma once

#include <QList>
#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

#include "ui/app/CDialogBase.h"

class QTabBar;

namespace moxtel {

// Pages that share one area of a window under a tab bar. A page is the controls its builder
// places on the window; the controls of the pages not chosen are hidden, so only the chosen
// page is seen, laid out and checked.
class ControlPages {
  public:
    using Page = std::pair<const char*, std::function<void()>>;  // tab text (UTF-8), builder

    // The tab bar (objectName tabsId) at place, then each page; the first page shows.
    void Build(CDialogBase& window, int tabsId, DuRect place, std::initializer_list<Page> pages);
    QTabBar* Tabs() const { return m_tabs; }

  private:
    void Show(int page);

    QTabBar* m_tabs = nullptr;
    std::vector<QList<QWidget*>> m_pages;  // children of the window, living as long as it
};

}  // namespace moxtel
