#include "send/run.h"

#include <algorithm>

#include "link/transmitframe.h"
#include "send/lines.h"
#include "send/options.h"
#include "send/stop.h"

namespace lumidex::send {

namespace {

std::string frames(long long n) {
    return std::to_string(n) + (n == 1 ? " frame" : " frames");
}

// Why a frame did not go out whole, with how much did.
std::string failure(const std::string& command, std::size_t bytesSent, const std::string& reason,
                    long long sent) {
    const std::string what =
        bytesSent == 0 ? command + " was not sent: " + reason
                       : command + " was cut short after " + std::to_string(bytesSent) +
                             " byte(s): " + reason + "; the module may misread the next frame";
    return what + ". " + frames(sent) + " went out before it";
}

// Runs steps one at a time: sends a step's frame, or makes its pause.
class Runner {
  public:
    // `untilStopped`: a stop request ends the run well (a run repeated until
    // stopped, or a feed); any other run it cuts short.
    Runner(SerialPort& port, bool quiet, bool untilStopped, cli::Console& console)
        : port_(port), quiet_(quiet), untilStopped_(untilStopped), console_(console) {}

    // Sends the step; `command` names it for messages ("file:3: bcd 1234"),
    // asked only when one is needed. False when the run ends here, with
    // `status()`.
    template <typename Command>
    bool execute(const Step& step, const Command& command) {
        if (stopRequested()) {
            return stop();
        }
        if (step.count == 0) {
            return pauseUnlessStopped(step.waitMs) || stop();
        }
        Frame frame = step.frame;
        echo_.clear();
        try {
            TransmitFrame(frame, step.uid, step.count, port_,
                          [this](const std::string& text) { echo_ = text; });
        } catch (const std::exception& e) {
            say(failure(command(), echo_.size() / 3, e.what(), sent_));
            return end(ExitFailed);
        }
        ++sent_;
        if (!quiet_ && !console_.out(echo_ + '\n') && console_.outputFailure()) {
            say("standard output failed: " + *console_.outputFailure() + "; " + frames(sent_) +
                " went out");
            return end(ExitFailed);
        }
        return true;
    }

    // Ends the run on a stop request.
    bool stop() {
        if (!untilStopped_ || !quiet_) {
            say("stopped on request after " + frames(sent_));
        }
        return end(untilStopped_ ? ExitOk : ExitFailed);
    }

    bool end(int status) {
        status_ = status;
        return false;
    }

    void say(const std::string& message) { console_.error("lumidex-send", message); }

    long long sent() const { return sent_; }
    int status() const { return status_; }

  private:
    SerialPort& port_;
    bool quiet_;
    bool untilStopped_;
    cli::Console& console_;
    long long sent_ = 0;
    std::string echo_;
    int status_ = ExitOk;
};

}  // namespace

int run(const Script& script, SerialPort& port, const RunOptions& options, cli::Console& console) {
    Runner runner(port, options.quiet, options.repeat == 0, console);
    for (long long pass = 0; options.repeat == 0 || pass < options.repeat; ++pass) {
        for (const Step& step : script.steps) {
            if (!runner.execute(step,
                                [&] { return script.placeOf(step) + script.commandOf(step); })) {
                return runner.status();
            }
        }
    }
    return ExitOk;
}

int runFeed(ScriptInput& input, const std::string& name, int uid, SerialPort& port,
            const RunOptions& options, cli::Console& console) {
    Runner runner(port, options.quiet, true, console);
    LineReader reader;
    ScriptParser parser(uid);
    std::vector<ScriptLine> lines;
    char buffer[4096];
    for (bool ended = false; !ended;) {
        long long n = 0;
        try {
            n = input.read(buffer, sizeof buffer);
        } catch (const std::exception& e) {
            runner.say("cannot read the script " + printable(name) + ": " + e.what() + ". " +
                       frames(runner.sent()) + " went out before it");
            return ExitFailed;
        }
        if (n < 0) {
            runner.stop();
            return runner.status();
        }
        ended = n == 0;
        lines.clear();
        if (ended) {
            reader.finish(lines);
        } else {
            reader.take({buffer, static_cast<std::size_t>(n)}, lines);
        }
        for (const ScriptLine& line : lines) {
            std::optional<Step> step;
            try {
                if (!line.problem.empty()) {
                    throw BadInput(line.problem);
                }
                step = parser.parse(line.text, line.number);
            } catch (const BadInput& e) {
                console.errorLine(badLine(name, line.number, e.what(), reader.encoding()) + ". " +
                                  frames(runner.sent()) + " went out before it");
                return ExitBadInput;
            }
            const auto command = [&] {
                const std::size_t start =
                    std::min(line.text.find_first_not_of(" \t"), line.text.size());
                return printable(name) + ":" + std::to_string(line.number) + ": " +
                       line.text.substr(start);
            };
            if (step && !runner.execute(*step, command)) {
                return runner.status();
            }
        }
    }
    return ExitOk;
}

}  // namespace lumidex::send
