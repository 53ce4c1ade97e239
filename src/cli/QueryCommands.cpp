// moxtel-flow history and day: the stored days without a window.
#include "CliCommands.h"

namespace moxtel {

int RunHistoryCommand(const CliArgs&, CliContext& ctx) { return Failure(ctx, "history is not available yet"); }
int RunDayCommand(const CliArgs&, CliContext& ctx) { return Failure(ctx, "day is not available yet"); }

}  // namespace moxtel
