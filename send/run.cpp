#include "send/run.h"

#include <cstdio>

#include "link/transmitframe.h"
#include "send/options.h"
#include "send/stop.h"

namespace lumidex::send {

namespace {

std::string frames(long long n) {
    return std::to_string(n) + (n == 1 ? " frame" : " frames");
}

// Why the step's frame did not go out whole, with how much did.
std::string failure(const Script& script, const Step& step, std::size_t bytesSent,
                    const std::string& reason, long long sent) {
    const std::string command = script.placeOf(step) + script.commandOf(step);
    const std::string what =
        bytesSent == 0 ? command + " was not sent: " + reason
                       : command + " was cut short after " + std::to_string(bytesSent) +
                             " byte(s): " + reason + "; the module may misread the next frame";
    return what + ". " + frames(sent) + " went out before it";
}

}  // namespace

void printError(const std::string& message) {
    std::fflush(stdout);
    std::fprintf(stderr, "lumidex-send: %s\n", message.c_str());
}

int run(const Script& script, SerialPort& port, const RunOptions& options, cli::Console& console) {
    long long sent = 0;
    std::string echo;
    const auto say = [&console](const std::string& message) {
        console.error("lumidex-send", message);
    };
    const auto stopped = [&] {
        const bool untilStopped = options.repeat == 0;
        if (!untilStopped || !options.quiet) {
            say("stopped on request after " + frames(sent));
        }
        return untilStopped ? ExitOk : ExitFailed;
    };
    // An empty script repeated until stopped would only spin.
    const long long passes = script.steps.empty() ? 1 : options.repeat;
    for (long long pass = 0; passes == 0 || pass < passes; ++pass) {
        for (const Step& step : script.steps) {
            if (stopRequested()) {
                return stopped();
            }
            if (step.count == 0) {
                if (!pauseUnlessStopped(step.waitMs)) {
                    return stopped();
                }
                continue;
            }
            Frame frame = step.frame;
            echo.clear();
            try {
                TransmitFrame(frame, step.uid, step.count, port,
                              [&echo](const std::string& text) { echo = text; });
            } catch (const std::exception& e) {
                say(failure(script, step, echo.size() / 3, e.what(), sent));
                return ExitFailed;
            }
            ++sent;
            if (!options.quiet && !console.out(echo + '\n') && console.outputFailure()) {
                say("standard output failed: " + *console.outputFailure() + "; " + frames(sent) +
                    " went out");
                return ExitFailed;
            }
        }
    }
    return ExitOk;
}

}  // namespace lumidex::send
