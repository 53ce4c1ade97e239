#include "app/CAboutDlg.h"
#include "app/ChildWindows.h"
#include "templates/CTemplateDlg.h"

namespace moxtel {

// Every window that another window opens. A new window adds its line here; until a window is
// registered, the commands that open it do nothing.
void RegisterWindows(ChildWindows& children) {
    children.Register(kAboutDlg, [](const WindowContext& c) { return std::make_unique<CAboutDlg>(c.services); });
    children.Register(kTemplateDlg, [](const WindowContext& c) { return std::make_unique<CTemplateDlg>(c.services); });
}

}  // namespace moxtel
