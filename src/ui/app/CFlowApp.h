#pragma once

namespace moxtel {

// The application object: sets up the database error reporting, offers to restore a damaged
// database from its backup, sets up the session, runs the main
// window modally and ends when it closes.
class CFlowApp {
  public:
    // Returns false: the program ends as soon as the main window has closed.
    bool InitInstance();
};

}  // namespace moxtel
