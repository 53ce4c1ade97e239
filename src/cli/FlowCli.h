#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace moxtel {

// Runs moxtel-flow with its arguments (without the program name). Returns the exit status:
// 0 success, 1 failure (message on err), 2 wrong usage. `in` answers the clear command's question
// when `interactive` is true.
int RunFlowCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, std::istream& in,
               bool interactive);

}  // namespace moxtel
