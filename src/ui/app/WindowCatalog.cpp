#include "ui/app/CAboutDlg.h"
#include "ui/app/ChildWindows.h"
#include "ui/maintenance/CClearDataDlg.h"
#include "ui/query/CCompareChartDlg.h"
#include "ui/query/CDetailQueryDlg.h"
#include "ui/query/CHistoryQueryDlg.h"
#include "ui/query/CIntervalDetailDlg.h"
#include "ui/query/CRankDlg.h"
#include "ui/query/CUncertainDetailDlg.h"
#include "ui/query/CWatchListDlg.h"
#include "ui/templates/CTemplateDlg.h"

namespace moxtel {

// Every window that another window opens. A new window adds its line here; until a window is
// registered, the commands that open it do nothing.
void RegisterWindows(ChildWindows& children) {
    children.Register(kAboutDlg, [](const WindowContext& c) { return std::make_unique<CAboutDlg>(c.services); });
    children.Register(kTemplateDlg,
                      [](const WindowContext& c) { return std::make_unique<CTemplateDlg>(c.services, c.store); });
    children.Register(kHistoryQueryDlg, [](const WindowContext& c) { return std::make_unique<CHistoryQueryDlg>(c); });
    children.Register(kCompareChartDlg, [](const WindowContext& c) { return std::make_unique<CCompareChartDlg>(c); });
    children.Register(kDetailQueryDlg, [](const WindowContext& c) { return std::make_unique<CDetailQueryDlg>(c); });
    children.Register(kIntervalDetailDlg, [](const WindowContext& c) { return std::make_unique<CIntervalDetailDlg>(c); });
    children.Register(kUncertainDetailDlg,
                      [](const WindowContext& c) { return std::make_unique<CUncertainDetailDlg>(c); });
    children.Register(kRankDlg, [](const WindowContext& c) { return std::make_unique<CRankDlg>(c); });
    children.Register(kWatchListDlg, [](const WindowContext& c) { return std::make_unique<CWatchListDlg>(c); });
    children.Register(kClearDataDlg, [](const WindowContext& c) { return std::make_unique<CClearDataDlg>(c); });
}

}  // namespace moxtel
