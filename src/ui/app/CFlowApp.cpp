#include "ui/app/CFlowApp.h"


#include "core/data/StoreContext.h"
#include "core/query/SessionState.h"
#include "ui/app/CMainStatDlg.h"
#include "ui/app/DatabaseFailureBox.h"
#include "ui/app/StartupCheck.h"
#include "ui/app/WindowServices.h"

namespace moxtel {

bool CFlowApp::InitInstance() {
    QtWindowServices services;
    // Database failures show their description in the application's message box, once a click;
    // those met on other threads are queued to this one.
    DatabaseFailureBox failureBox(services);
    StoreContext store({}, [&failureBox](const std::string& description) { failureBox(description); });
    CheckDatabaseAtStartup(store, services, nullptr);
    SessionState session;
    ChildWindows children;
    RegisterWindows(children);
    const WindowContext context{session, services, children, store};
    {
        CMainStatDlg mainWindow(context);
        if (!m_startWorkbook.isEmpty()) mainWindow.SetWorkbookPath(m_startWorkbook);
        mainWindow.DoModal();
    }
    return false;
}

}  // namespace moxtel
