// The arguments from the wide command line: the narrow ones are in the ANSI
// code page, which quietly replaces characters it lacks with look-alikes.
#include <windows.h>

#include <shellapi.h>

#include "cli/arguments.h"
#include "link/win32text.h"

namespace lumidex::cli {

std::vector<std::string> programArguments(int, char*[]) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; wide && i < count; ++i) {
        args.push_back(win32::narrow(wide[i]));
    }
    LocalFree(wide);
    return args;
}

}  // namespace lumidex::cli
