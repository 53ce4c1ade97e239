#pragma once

#include <functional>
#include <mutex>
#include <string>

namespace moxtel {

// The database a program works on: its file, where its failures are shown and how long a
// statement waits for another connection's lock. A program sets one up at start (the desktop
// program over the user's data folder, the command line over --db) and hands it to what opens
// connections; a test makes one per database of its own.
//
// Connections are opened from several threads at once (an import reads its files on workers), so
// failures may be reported from any thread: Report hands them to the reporter one at a time. A
// reporter that shows windows must pass the report on to the window's thread itself.
class StoreContext {
public:
    using ErrorReporter = std::function<void(const std::string& description)>;

    // An empty file stands for DefaultDatabaseFile(), read when asked (so an XDG_DATA_HOME set
    // after construction counts).
    explicit StoreContext(std::string file = {}, ErrorReporter reporter = {});
    StoreContext(const StoreContext&) = delete;
    StoreContext& operator=(const StoreContext&) = delete;

    std::string DatabaseFile() const;
    void SetDatabaseFile(std::string file);
    // Without a reporter failures are not shown.
    void SetErrorReporter(ErrorReporter reporter);
    void Report(const std::string& description) const;

    // How long a statement waits for a lock held by another connection before it fails with
    // SQLite's "database is locked".
    static constexpr int kBusyTimeoutMs = 2000;

private:
    mutable std::recursive_mutex m_lock;  // a reporter may show a window that reports again
    std::string m_file;
    ErrorReporter m_reporter;
};

}  // namespace moxtel
