// sentrix-sim: plays scenarios of the simulated notebook, TV and controller in virtual time
// (see SentrixSim.h and tools/scenario/README.md).
#include "tools/sentrix-sim/SentrixSim.h"

#include <iostream>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return simtool::sentrixSim(args, std::cin, std::cout, std::cerr);
}
