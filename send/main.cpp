// lumidex-send: sends display module commands from a shell or a script, the
// same frames the window sends, so test rigs and production lines need no
// clicks.
#include <QCoreApplication>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include "send/input.h"
#include "send/line.h"
#include "send/options.h"
#include "send/run.h"
#include "send/script.h"
#include "send/stop.h"

namespace {

using namespace lumidex;
using namespace lumidex::send;

const char HelpIntro[] =
    "Sends commands to a display module on a serial line: for each, the frame\n"
    "the Lumidex App window sends, printed as it goes out (\"FF 64 12 34 \").\n"
    "\n"
    "Commands (numbers are decimal unless marked hex):\n";

const char HelpScripts[] =
    "\n"
    "A script holds one command per line, and also:\n"
    "  wait MS                  a pause of MS milliseconds\n"
    "  uid N                    unit identifier 0 to 255 of the commands that follow\n"
    "  # ...                    a comment; blank lines are skipped too\n"
    "After \"text \" the rest of the line is the text, blanks included. Scripts\n"
    "are UTF-8, or UTF-16 with a byte-order mark; lines hold at most 4 KiB.\n"
    "\n"
    "Options:\n";

const char HelpOutro[] =
    "\n"
    "lumidex2.ini is read from the program's folder (or the window's per-user\n"
    "copy) and never written. A script file (at most 16 MiB) is checked whole\n"
    "before the port opens: a bad line is named as FILE:LINE: reason and nothing\n"
    "is sent. A pipe, a FIFO or a terminal is a feed: each line is sent as it\n"
    "arrives, and a bad line ends the run there. Ctrl+C or SIGTERM stops a run\n"
    "between two frames.\n"
    "\n"
    "Exit status: 0 when every frame went out whole (or a run until stopped, or\n"
    "a feed, was stopped); 1 when the port could not be opened, a frame did not\n"
    "go out, standard output failed or the run was stopped; 2 for bad arguments\n"
    "or script lines, with nothing sent (of a feed, nothing after the frames\n"
    "before the bad line).\n";

void printError(cli::Console& console, const std::string& message) {
    console.error("lumidex-send", message);
}

// The largest script file read whole.
constexpr std::uint64_t kMaxScriptBytes = 16 << 20;

// A script file, read and checked whole; none after saying what is wrong
// with it.
std::optional<Script> loadScript(ScriptInput& input, const std::string& name, int uid,
                                 cli::Console& console) {
    const auto tooLarge = [&](std::uint64_t size) {
        printError(console, "the script " + printable(name) + " is " + std::to_string(size) +
                                " bytes; a script file may hold at most 16 MiB (" +
                                std::to_string(kMaxScriptBytes) +
                                " bytes): send a longer one as a feed, through a pipe");
        return std::nullopt;
    };
    if (input.size() > kMaxScriptBytes) {
        return tooLarge(input.size());
    }
    std::vector<std::string> problems;
    std::optional<Script> script;
    std::uint64_t read = 0;
    try {
        // Stops at the bound should the file grow while it is read.
        script = readScript(
            [&](char* buffer, std::size_t size) {
                const long long n = read > kMaxScriptBytes ? 0 : input.read(buffer, size);
                read += static_cast<std::uint64_t>(std::max(n, 0LL));
                return n;
            },
            static_cast<std::size_t>(input.size()), name, uid, problems);
    } catch (const std::exception& e) {
        printError(console, "cannot read the script " + printable(name) + ": " + e.what());
        return std::nullopt;
    }
    if (read > kMaxScriptBytes) {
        return tooLarge(read);
    }
    for (const std::string& problem : problems) {
        console.errorLine(problem);
    }
    if (!problems.empty()) {
        return std::nullopt;
    }
    return script;
}

// The line the options name, open; none after saying why it is not.
std::unique_ptr<SerialPort> openPort(const Options& options, int argc, char* argv[],
                                     std::optional<QCoreApplication>& app, cli::Console& console) {
    if (options.dryRun) {
        auto port = std::make_unique<NoPort>();
        port->setPortOpen(true);
        return port;
    }
    // The application object is made only where it is needed (to find the
    // settings file): it pages in more of Qt than all the rest.
    if (readsSettingsFile(options)) {
        app.emplace(argc, argv);
    }
    try {
        return openLine(options);
    } catch (const std::exception& e) {
        printError(console, std::string(e.what()) + "; nothing was sent");
        return nullptr;
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    Options options;
    const cli::ArgumentParser parser = argumentParser();
    const auto help = [&parser] {
        return HelpIntro + commandsHelp() + HelpScripts + parser.optionsHelp(18) + HelpOutro;
    };
    if (const auto done = parser.run(
            argc, argv, help,
            [&options](const cli::ParsedArguments& parsed) { options = readOptions(parsed); })) {
        return *done;
    }
    catchStopRequests();
    cli::Console console(stopDescriptor());
    const RunOptions runOptions{options.repeat, options.quiet};
    std::optional<QCoreApplication> app;

    std::unique_ptr<ScriptInput> input;
    const std::string name = options.script.value_or("");
    if (options.script) {
        try {
            input = std::make_unique<ScriptInput>(name);
        } catch (const std::exception& e) {
            printError(console, "cannot read the script " + printable(name) + ": " + e.what());
            return ExitBadInput;
        }
    }
    if (input && input->kind() == ScriptInput::Kind::Feed) {
        // Each line goes out as it arrives, on a line opened first.
        if (options.repeatGiven) {
            printError(
                console,
                "--repeat needs a script file: " + quoted(name) +
                    " is a feed (a pipe, a terminal or a device), which cannot be read twice");
            return ExitBadInput;
        }
        const std::unique_ptr<SerialPort> port = openPort(options, argc, argv, app, console);
        return port ? runFeed(*input, name, options.uid, *port, runOptions, console) : ExitFailed;
    }

    std::optional<Script> script;
    try {
        script = input ? loadScript(*input, name, options.uid, console)
                       : readCommand(options.command, options.uid);
    } catch (const BadInput& e) {
        printError(console, e.what());
    }
    if (!script) {
        return ExitBadInput;
    }
    if (options.repeat != 1 && !script->sendsFrames()) {
        printError(console, "a repeated script must send at least one frame: " + quoted(name) +
                                " sends none");
        return ExitBadInput;
    }
    const std::unique_ptr<SerialPort> port = openPort(options, argc, argv, app, console);
    return port ? run(*script, *port, runOptions, console) : ExitFailed;
}
