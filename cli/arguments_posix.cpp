// The arguments as the shell passed them: UTF-8 on the systems this runs on.
#include "cli/arguments.h"

namespace lumidex::cli {

std::vector<std::string> programArguments(int argc, char* argv[]) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

}  // namespace lumidex::cli
