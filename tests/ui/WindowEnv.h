#pragma once

#include "core/query/SessionState.h"
#include "ui/FakeWindowServices.h"
#include "ui/app/CMainStatDlg.h"
#include "ui/app/ChildWindows.h"

namespace moxtel::test {

// What a window is handed: a session, the windows it may open and a fake for what it shows.
struct WindowEnv {
    SessionState session;
    ChildWindows children;
    FakeWindowServices services;
    WindowContext context{session, services, children};
};

// A main window over its own environment, not yet shown.
struct MainWindowEnv : WindowEnv {
    CMainStatDlg window{context};
};

}  // namespace moxtel::test
