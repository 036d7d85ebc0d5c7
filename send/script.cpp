#include "send/script.h"

#include <algorithm>

#include "cli/arguments.h"
#include "protocol/commands.h"
#include "protocol/text.h"
#include "send/lines.h"

namespace lumidex::send {

namespace {

using Values = std::vector<std::string>;

// Script lines that send nothing themselves.
constexpr std::string_view kWait = "wait";
constexpr std::string_view kUid = "uid";

[[noreturn]] void unknownCommand(std::string_view name) {
    std::string known;
    for (const Command& command : commandTable()) {
        known += std::string(command.word) + ", ";
    }
    throw BadInput("unknown command " + quoted(name) + " (commands: " + known + std::string(kWait) +
                   ", " + std::string(kUid) + ")");
}

[[noreturn]] void wrongCount(std::string_view name, std::size_t count, std::string_view syntax) {
    throw BadInput("wrong number of values for " + std::string(name) + ": " +
                   std::to_string(count) + " instead of " + quoted(syntax));
}

// The step for `command` with `values`, addressed to `uid`.
Step frameStep(const Command& command, const Values& values, int uid, int line) {
    if (command.values >= 0 && values.size() != static_cast<std::size_t>(command.values)) {
        wrongCount(command.word, values.size(), command.syntax);
    }
    Step step;
    step.line = line;
    try {
        step.count = static_cast<std::uint8_t>(command.encode(step.frame, values));
    } catch (const BadInput&) {
        throw;
    } catch (const std::exception& e) {
        // The encoders' own checks (a character without a one-byte value).
        throw BadInput(e.what());
    }
    step.uid = static_cast<std::uint8_t>(command.toConfigUnit ? ConfigUid : uid);
    return step;
}

bool isBlank(char ch) {
    return ch == ' ' || ch == '\t';
}

// The words of `text`, split at blanks.
Values words(std::string_view text) {
    Values out;
    std::size_t at = 0;
    for (;;) {
        while (at < text.size() && isBlank(text[at])) {
            ++at;
        }
        if (at == text.size()) {
            return out;
        }
        const std::size_t end = std::min(text.find_first_of(" \t", at), text.size());
        out.emplace_back(text.substr(at, end - at));
        at = end;
    }
}

// The step of one script line, if it has one; changes `uid` on a uid line.
std::optional<Step> parseLine(std::string_view line, int number, int& uid) {
    const std::size_t start = std::min(line.find_first_not_of(" \t"), line.size());
    if (start == line.size() || line[start] == '#') {
        return std::nullopt;
    }
    const std::size_t end = std::min(line.find_first_of(" \t", start), line.size());
    const std::string_view name = line.substr(start, end - start);
    const Command* command = commandNamed(name);
    if (command && command->values < 0) {
        const std::string_view text = end < line.size() ? line.substr(end + 1) : std::string_view();
        return frameStep(*command, {std::string(text)}, uid, number);
    }
    const Values values = words(line.substr(end));
    if (command) {
        return frameStep(*command, values, uid, number);
    }
    if ((name == kWait || name == kUid) && values.size() != 1) {
        wrongCount(name, values.size(), std::string(name) + (name == kWait ? " MS" : " N"));
    }
    if (name == kWait) {
        Step pause;
        pause.waitMs = static_cast<std::uint32_t>(
            numberIn(values[0], 0, 86'400'000, "wait time in milliseconds"));
        pause.line = number;
        return pause;
    }
    if (name == kUid) {
        uid = static_cast<int>(numberIn(values[0], 0, 255, "unit identifier"));
        return std::nullopt;
    }
    unknownCommand(name);
}

// Line `number` (from 1) of `text`, without its line end.
std::string_view lineOf(std::string_view text, int number) {
    std::size_t start = 0;
    for (int n = 1; n < number && start != std::string_view::npos; ++n) {
        start = text.find('\n', start);
        start = start == std::string_view::npos ? start : start + 1;
    }
    if (start == std::string_view::npos) {
        return {};
    }
    std::string_view line = text.substr(start, text.find('\n', start) - start);
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

std::string_view trimmed(std::string_view text) {
    const std::size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos) {
        return {};
    }
    return text.substr(start, text.find_last_not_of(" \t") + 1 - start);
}

}  // namespace

std::string commandsHelp() {
    std::string out;
    const auto& table = commandTable();
    for (std::size_t i = 0; i < table.size(); ++i) {
        // Rows that say the same share one entry: "save N, recall N".
        std::string syntax = table[i].syntax;
        for (; i + 1 < table.size() && std::string_view(table[i].help) == table[i + 1].help; ++i) {
            syntax += std::string(", ") + table[i + 1].syntax;
        }
        out += cli::helpEntry(syntax, table[i].help, 27);
    }
    return out;
}

std::string Script::commandOf(const Step& step) const {
    return std::string(trimmed(name.empty() ? std::string_view(text) : lineOf(text, step.line)));
}

std::string Script::placeOf(const Step& step) const {
    return name.empty() ? std::string() : printable(name) + ":" + std::to_string(step.line) + ": ";
}

bool Script::sendsFrames() const {
    return std::any_of(steps.begin(), steps.end(), [](const Step& step) { return step.count > 0; });
}

std::optional<Step> ScriptParser::parse(std::string_view line, int number) {
    return parseLine(line, number, uid_);
}

std::string badLine(const std::string& name, int number, const std::string& reason,
                    const std::string& encoding) {
    return printable(name) + ":" + std::to_string(number) + ": " + reason +
           (encoding.empty() ? "" : " (the script is " + encoding + ")");
}

Script readScript(const ReadFn& read, std::size_t size, const std::string& name, int uid,
                  std::vector<std::string>& problems) {
    LineReader reader;
    Script script{name, {}, {}, {}};
    // Room for all at once, touched only as it fills: the shortest line that
    // sends anything is six bytes ("int 0" and its line end).
    script.text.reserve(size);
    script.steps.reserve(size / 6 + 1);
    ScriptParser parser(uid);
    std::vector<ScriptLine> lines;
    // A chunk at a time, so only a chunk's lines are held at once.
    char chunk[4096];
    for (long long n = 1; n > 0;) {
        n = read(chunk, sizeof chunk);
        lines.clear();
        if (n > 0) {
            reader.take({chunk, static_cast<std::size_t>(n)}, lines);
        } else {
            reader.finish(lines);
        }
        for (const ScriptLine& line : lines) {
            script.text += line.text;
            script.text += '\n';
            try {
                if (!line.problem.empty()) {
                    throw BadInput(line.problem);
                }
                if (std::optional<Step> step = parser.parse(line.text, line.number)) {
                    script.steps.push_back(*step);
                }
            } catch (const BadInput& e) {
                problems.push_back(badLine(name, line.number, e.what(), reader.encoding()));
            }
        }
    }
    script.encoding = reader.encoding();
    return script;
}

Script readCommand(const std::vector<std::string>& words, int uid) {
    const std::string name = words.empty() ? std::string() : words[0];
    const Command* command = commandNamed(name);
    if (!command && (name == kWait || name == kUid)) {
        throw BadInput(quoted(name) + " works in scripts only" +
                       (name == kUid ? "; on the command line give --uid N" : ""));
    }
    if (!command) {
        unknownCommand(name);
    }
    std::string line = name;
    for (std::size_t i = 1; i < words.size(); ++i) {
        line += " " + words[i];
    }
    const Values values(words.begin() + 1, words.end());
    Script script{std::string(), std::string(), line, {}};
    const Values text = {line.size() > name.size() ? line.substr(name.size() + 1) : std::string()};
    script.steps.push_back(frameStep(*command, command->values < 0 ? text : values, uid, 0));
    return script;
}

}  // namespace lumidex::send
