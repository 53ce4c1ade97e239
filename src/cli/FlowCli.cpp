#include "FlowCli.h"

#include <ostream>

namespace moxtel {

int RunFlowCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    (void)args;
    (void)out;
    err << "moxtel-flow: not built yet\n";
    return 2;
}

}  // namespace moxtel
