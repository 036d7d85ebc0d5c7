// lumidex-send: sends display module commands from a shell or a script, the
// same frames the window sends, so test rigs and production lines need no
// clicks.
#include <QCoreApplication>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

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
    "are UTF-8 text.\n"
    "\n"
    "Options:\n";

const char HelpOutro[] =
    "\n"
    "lumidex2.ini is read from the program's folder (or the window's per-user\n"
    "copy) and never written. The whole script is checked before the port\n"
    "opens: a bad line is named as FILE:LINE: reason and nothing is sent.\n"
    "Ctrl+C or SIGTERM stops a run between two frames.\n"
    "\n"
    "Exit status: 0 when every frame went out whole (or a run until stopped was\n"
    "stopped); 1 when the port could not be opened, a frame did not go out or\n"
    "the run was stopped; 2 for bad arguments or script lines, with nothing sent.\n";

// Reads `read(buffer, size)` chunk by chunk to its end into `text`.
template <typename Read>
void readChunks(std::string& text, Read read) {
    char chunk[16384];
    for (long long n; (n = read(chunk, sizeof chunk)) > 0;) {
        text.append(chunk, static_cast<std::size_t>(n));
    }
}

// The script named `path` ("-": standard input), checked whole; none after
// saying what is wrong with it.
std::optional<Script> loadScript(const std::string& path, int uid) {
    std::string text;
    if (path == "-") {
        // The C library's reads: Qt's report the end of a pipe on Windows
        // as an error.
        readChunks(text, [](char* to, std::size_t size) {
            return static_cast<long long>(std::fread(to, 1, size, stdin));
        });
        if (std::ferror(stdin)) {
            printError(std::string("cannot read the script from standard input: ") +
                       std::strerror(errno));
            return std::nullopt;
        }
    } else {
        QFile file(QString::fromStdString(path));
        const bool opened = file.open(QIODevice::ReadOnly);
        if (opened) {
            // Straight into the one copy the script keeps.
            text.reserve(static_cast<std::size_t>(std::max<qint64>(file.size(), 0)));
            readChunks(text, [&file](char* to, std::size_t size) {
                return file.read(to, static_cast<qint64>(size));
            });
        }
        if (!opened || file.error() != QFileDevice::NoError) {
            printError("cannot read the script " + path + ": " + file.errorString().toStdString());
            return std::nullopt;
        }
    }
    std::vector<std::string> problems;
    Script script = readScript(std::move(text), path == "-" ? "<stdin>" : path, uid, problems);
    if (!problems.empty()) {
        std::fflush(stdout);
        for (const std::string& problem : problems) {
            std::fprintf(stderr, "%s\n", problem.c_str());
        }
        return std::nullopt;
    }
    return script;
}

}  // namespace

int main(int argc, char* argv[]) {
    // The application object is made only where it is needed (to find the
    // settings file): it pages in more of Qt than all the rest.
    std::optional<QCoreApplication> app;

    Options options;
    std::optional<Script> script;
    const cli::ArgumentParser parser = argumentParser();
    const std::string help =
        HelpIntro + commandsHelp() + HelpScripts + parser.optionsHelp(18) + HelpOutro;
    if (const auto done = parser.run(
            argc, argv, help,
            [&options](const cli::ParsedArguments& parsed) { options = readOptions(parsed); })) {
        return *done;
    }
    try {
        script = options.script ? loadScript(*options.script, options.uid)
                                : readCommand(options.command, options.uid);
    } catch (const BadInput& e) {
        printError(e.what());
    }
    if (!script) {
        return ExitBadInput;
    }

    catchStopRequests();
    cli::Console console(stopDescriptor());
    const RunOptions runOptions{options.repeat, options.quiet};
    if (options.dryRun) {
        NoPort port;
        port.setPortOpen(true);
        return run(*script, port, runOptions, console);
    }
    if (readsSettingsFile(options)) {
        app.emplace(argc, argv);
    }
    std::unique_ptr<SerialPort> port;
    try {
        port = openLine(options);
    } catch (const std::exception& e) {
        printError(std::string(e.what()) + "; nothing was sent");
        return ExitFailed;
    }
    return run(*script, *port, runOptions, console);
}
