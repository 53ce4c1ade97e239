#include <unistd.h>

#include <clocale>
#include <iostream>
#include <string>
#include <vector>

#include "FlowCli.h"

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "C");  // numbers are formatted with '.', whatever the user's locale
    std::vector<std::string> args(argv + 1, argv + argc);
    return moxtel::RunFlowCli(args, std::cout, std::cerr, std::cin, isatty(STDIN_FILENO) != 0);
}
