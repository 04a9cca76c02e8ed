// mendora-check FILE...: see CheckCommand.h.
#include "checkcommand/CheckCommand.h"

#include <cstdio>

int main(int argc, char **argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return mendora::mediacheck::runCheckCommand(arguments, stdout, stderr);
}
