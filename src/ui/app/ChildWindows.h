#pragma once

#include <QDialog>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "core/data/StoreContext.h"

namespace moxtel {

class ChildWindows;
class IWindowServices;
struct SessionState;

// What every window of the desktop program is handed by its opener: the session's shared
// records, the services that show messages and run windows, the windows it may open, and the
// database every query, statistics run and import of the window works on.
struct WindowContext {
    SessionState& session;
    IWindowServices& services;
    const ChildWindows& children;
    StoreContext& store;
};

// Names of the windows opened from other windows (the keys of ChildWindows).
inline constexpr const char* kAboutDlg = "CAboutDlg";
inline constexpr const char* kTemplateDlg = "CTemplateDlg";
inline constexpr const char* kHistoryQueryDlg = "CHistoryQueryDlg";
inline constexpr const char* kClearDataDlg = "CClearDataDlg";
inline constexpr const char* kIntervalDetailDlg = "CIntervalDetailDlg";
inline constexpr const char* kUncertainDetailDlg = "CUncertainDetailDlg";
inline constexpr const char* kDetailQueryDlg = "CDetailQueryDlg";
inline constexpr const char* kRankDlg = "CRankDlg";
inline constexpr const char* kWatchListDlg = "CWatchListDlg";

// The windows a window can open, by class name. Opening builds the window without a parent,
// runs it modally through the services and destroys it; the opener gets its result. A name that
// is not registered opens nothing (result 0), so openers work before every window exists.
class ChildWindows {
  public:
    using Factory = std::function<std::unique_ptr<QDialog>(const WindowContext&)>;

    void Register(const std::string& name, Factory factory);
    bool Has(const std::string& name) const;
    int Open(const std::string& name, const WindowContext& context) const;

  private:
    std::map<std::string, Factory> m_factories;
};

// Registers every window of the program (WindowCatalog.cpp): one line per window class.
void RegisterWindows(ChildWindows& children);

}  // namespace moxtel
