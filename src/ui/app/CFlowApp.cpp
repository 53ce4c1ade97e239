#include "app/CFlowApp.h"

#include <QApplication>

#include "app/CMainStatDlg.h"
#include "app/StartupCheck.h"
#include "app/WindowServices.h"
#include "data/CAdoDatabase.h"
#include "query/SessionState.h"

namespace moxtel {

bool CFlowApp::InitInstance() {
    QtWindowServices services;
    // Database failures show SQLite's own description in the application's message box.
    CAdoDatabase::SetErrorReporter([&services](const std::string& description) {
        services.ShowAppMessage(QApplication::activeWindow(), QString::fromStdString(description),
                                MessageIcon::Exclamation);
    });
    CheckDatabaseAtStartup(services, nullptr);
    SessionState session;
    ChildWindows children;
    RegisterWindows(children);
    const WindowContext context{session, services, children};
    {
        CMainStatDlg mainWindow(context);
        mainWindow.DoModal();
    }
    CAdoDatabase::SetErrorReporter({});
    return false;
}

}  // namespace moxtel
