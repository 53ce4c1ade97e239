#pragma once

#include "core/query/SessionState.h"
#include "ui/FakeWindowServices.h"
#include "ui/app/CMainStatDlg.h"
#include "ui/app/ChildWindows.h"

namespace moxtel::test {

// What a window is handed: a session, the windows it may open, a fake for what it shows and the
// test's database.
struct WindowEnv {
    explicit WindowEnv(StoreContext& store) : context{session, services, children, store} {}
    SessionState session;
    ChildWindows children;
    FakeWindowServices services;
    WindowContext context;
};

// A main window over its own environment, not yet shown.
struct MainWindowEnv : WindowEnv {
    using WindowEnv::WindowEnv;
    CMainStatDlg window{context};
};

}  // namespace moxtel::test
