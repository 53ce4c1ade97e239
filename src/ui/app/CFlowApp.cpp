#include "app/CFlowApp.h"


#include "app/CMainStatDlg.h"
#include "app/DatabaseFailureBox.h"
#include "app/StartupCheck.h"
#include "app/WindowServices.h"
#include "data/StoreContext.h"
#include "query/SessionState.h"

namespace moxtel {

bool CFlowApp::InitInstance() {
    QtWindowServices services;
    // Database failures show their description in the application's message box, once a click;
    // those met on other threads are queued to this one.
    DatabaseFailureBox failureBox(services);
    StoreContext& store = ProgramStore();
    store.SetErrorReporter([&failureBox](const std::string& description) { failureBox(description); });
    CheckDatabaseAtStartup(services, nullptr);
    SessionState session;
    ChildWindows children;
    RegisterWindows(children);
    const WindowContext context{session, services, children, store};
    {
        CMainStatDlg mainWindow(context);
        if (!m_startWorkbook.isEmpty()) mainWindow.SetWorkbookPath(m_startWorkbook);
        mainWindow.DoModal();
    }
    store.SetErrorReporter({});
    return false;
}

}  // namespace moxtel
