#include "send/script.h"

#include <QStringDecoder>
#include <algorithm>
#include <array>

#include "protocol/commands.h"

namespace lumidex::send {

namespace {

using Values = std::vector<std::string>;

std::string quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

bool isDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

// A segment byte: one or two hexadecimal digits, any letter case.
int segmentByte(const std::string& text) {
    int value = 0;
    for (const char ch : text) {
        const int digit = isDigit(ch)              ? ch - '0'
                          : ch >= 'a' && ch <= 'f' ? ch - 'a' + 10
                          : ch >= 'A' && ch <= 'F' ? ch - 'A' + 10
                                                   : -1;
        value = digit < 0 ? -1 : value * 16 + digit;
        if (value < 0) {
            break;
        }
    }
    if (text.empty() || text.size() > 2 || value < 0) {
        throw BadInput("segment byte must be two hexadecimal digits from 00 to FF: " +
                       quoted(text));
    }
    return value;
}

int pointMask(const std::string& text, const char* what) {
    return static_cast<int>(numberIn(text, 0, 15, what));
}

// Each encoder takes the command's values, checked here within the limits of
// the window's lists and boxes, and fills the frame as the window's button
// does for the same inputs.

int sendText(Frame& f, const Values& v) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const std::u32string text =
        QString(utf8.decode(QByteArrayView(v[0].data(), static_cast<qsizetype>(v[0].size()))))
            .toStdU32String();
    if (utf8.hasError()) {
        throw BadInput("the text is not UTF-8 (save the script as UTF-8)");
    }
    if (text.size() > 4) {
        throw BadInput("text has " + std::to_string(text.size()) +
                       " characters, the module shows at most 4: " + quoted(v[0]));
    }
    return encodeText(f, padText(text));
}

int sendBcd(Frame& f, const Values& v) {
    const std::string& digits = v[0];
    bool plain = digits.size() == 4;
    for (const char ch : digits) {
        plain = plain && isDigit(ch);
    }
    if (!plain) {
        throw BadInput("bcd takes four decimal digits, 0000 to 9999: " + quoted(digits));
    }
    return encodeBcd(f, std::stoi(digits.substr(0, 2)), std::stoi(digits.substr(2)));
}

int sendUnsigned(Frame& f, const Values& v) {
    const auto n = static_cast<int>(numberIn(v[0], 0, 65535, "uint value"));
    return encodeInteger(f, false, n >> 8, n & 0xFF);
}

int sendSigned(Frame& f, const Values& v) {
    // The 16-bit two's complement pattern: -42 is FF D6.
    const auto n = static_cast<int>(numberIn(v[0], -32768, 32767, "int value")) & 0xFFFF;
    return encodeInteger(f, true, n >> 8, n & 0xFF);
}

int sendSegments(Frame& f, const Values& v) {
    return encodeSegments(f, segmentByte(v[0]), segmentByte(v[1]), segmentByte(v[2]),
                          segmentByte(v[3]));
}

int sendPoints(Frame& f, const Values& v) {
    return encodeDecimalPoints(f, pointMask(v[0], "decimal-point mask"));
}

int sendBrightness(Frame& f, const Values&) {
    return encodeBrightness(f);
}

int sendSave(Frame& f, const Values& v) {
    return encodeSave(f, static_cast<int>(numberIn(v[0], 0, 19, "memory location")));
}

int sendRecall(Frame& f, const Values& v) {
    return encodeRecall(f, static_cast<int>(numberIn(v[0], 0, 19, "memory location")));
}

int sendConfig(Frame& f, const Values& v) {
    const int uid = static_cast<int>(numberIn(v[0], 0, 255, "new unit identifier"));
    const int baud = listedBaud(v[1]);
    if (baud < 0) {
        throw BadInput("module baud rate must be " + moduleBaudRatesText() + ": " + quoted(v[1]));
    }
    const int rate = kModuleBauds[static_cast<std::size_t>(baud)].rate;
    const int mask = pointMask(v[2], "start-up decimal-point mask");
    // The window's start-up boxes, Digit 4 first; the mask's bit 8 is Digit 4.
    const std::array<bool, 4> points = {(mask & 8) != 0, (mask & 4) != 0, (mask & 2) != 0,
                                        (mask & 1) != 0};
    return encodeConfig(f, uid, rate, points);
}

struct Command {
    const char* name;
    const char* syntax;
    int values;  // -1: the rest of the line, as one value
    int (*encode)(Frame&, const Values&);
    bool toConfigUnit = false;  // sent to ConfigUid whatever the unit identifier
};

constexpr Command kCommands[] = {
    {"text", "text CHARS", -1, sendText},
    {"bcd", "bcd DDDD", 1, sendBcd},
    {"uint", "uint N", 1, sendUnsigned},
    {"int", "int N", 1, sendSigned},
    {"segments", "segments H4 H3 H2 H1", 4, sendSegments},
    {"points", "points MASK", 1, sendPoints},
    {"bright", "bright", 0, sendBrightness},
    {"save", "save N", 1, sendSave},
    {"recall", "recall N", 1, sendRecall},
    {"config", "config NEW_UID BAUD MASK", 3, sendConfig, true},
};

// Script lines that send nothing themselves.
constexpr std::string_view kWait = "wait";
constexpr std::string_view kUid = "uid";

const Command* findCommand(std::string_view name) {
    for (const Command& command : kCommands) {
        if (name == command.name) {
            return &command;
        }
    }
    return nullptr;
}

[[noreturn]] void unknownCommand(std::string_view name) {
    std::string known;
    for (const Command& command : kCommands) {
        known += std::string(command.name) + ", ";
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
        wrongCount(command.name, values.size(), command.syntax);
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

// Reads one script line into `steps`; changes `uid` on a uid line.
void readLine(std::string_view line, int number, int& uid, std::vector<Step>& steps) {
    const std::size_t start = std::min(line.find_first_not_of(" \t"), line.size());
    if (start == line.size() || line[start] == '#') {
        return;
    }
    const std::size_t end = std::min(line.find_first_of(" \t", start), line.size());
    const std::string_view name = line.substr(start, end - start);
    const Command* command = findCommand(name);
    if (command && command->values < 0) {
        const std::string_view text = end < line.size() ? line.substr(end + 1) : std::string_view();
        steps.push_back(frameStep(*command, {std::string(text)}, uid, number));
        return;
    }
    const Values values = words(line.substr(end));
    if (command) {
        steps.push_back(frameStep(*command, values, uid, number));
    } else if ((name == kWait || name == kUid) && values.size() != 1) {
        wrongCount(name, values.size(), std::string(name) + (name == kWait ? " MS" : " N"));
    } else if (name == kWait) {
        Step pause;
        pause.waitMs = static_cast<std::uint32_t>(
            numberIn(values[0], 0, 86'400'000, "wait time in milliseconds"));
        pause.line = number;
        steps.push_back(pause);
    } else if (name == kUid) {
        uid = static_cast<int>(numberIn(values[0], 0, 255, "unit identifier"));
    } else {
        unknownCommand(name);
    }
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

int listedBaud(std::string_view text) {
    for (std::size_t i = 0; i < kModuleBauds.size(); ++i) {
        if (text == std::to_string(kModuleBauds[i].rate)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

long long numberIn(std::string_view text, long long lo, long long hi, const char* what) {
    const std::size_t sign = lo < 0 && !text.empty() && text[0] == '-' ? 1 : 0;
    bool plain = text.size() > sign && text.size() <= sign + 18;
    long long value = 0;
    for (std::size_t i = sign; plain && i < text.size(); ++i) {
        plain = isDigit(text[i]);
        value = value * 10 + (text[i] - '0');
    }
    value = sign ? -value : value;
    if (!plain || value < lo || value > hi) {
        throw BadInput(std::string(what) + " must be a whole number from " + std::to_string(lo) +
                       " to " + std::to_string(hi) + ": " + quoted(text));
    }
    return value;
}

std::string Script::commandOf(const Step& step) const {
    return std::string(trimmed(name.empty() ? std::string_view(text) : lineOf(text, step.line)));
}

std::string Script::placeOf(const Step& step) const {
    return name.empty() ? std::string() : name + ":" + std::to_string(step.line) + ": ";
}

Script readScript(std::string text, const std::string& name, int uid,
                  std::vector<std::string>& problems) {
    Script script{name, std::move(text), {}};
    const std::string_view all = script.text;
    script.steps.reserve(static_cast<std::size_t>(std::count(all.begin(), all.end(), '\n')) + 1);
    std::size_t start = all.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;  // a UTF-8 byte-order mark
    for (int number = 1; start < all.size(); ++number) {
        const std::size_t end = std::min(all.find('\n', start), all.size());
        std::string_view line = all.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        start = end + 1;
        try {
            readLine(line, number, uid, script.steps);
        } catch (const BadInput& e) {
            problems.push_back(name + ":" + std::to_string(number) + ": " + e.what());
        }
    }
    return script;
}

Script readCommand(const std::vector<std::string>& words, int uid) {
    const std::string name = words.empty() ? std::string() : words[0];
    const Command* command = findCommand(name);
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
    Script script{std::string(), line, {}};
    const Values text = {line.size() > name.size() ? line.substr(name.size() + 1) : std::string()};
    script.steps.push_back(frameStep(*command, command->values < 0 ? text : values, uid, 0));
    return script;
}

}  // namespace lumidex::send
