#include "cli/arguments.h"

#include <cstdio>
#include <limits>

#include "protocol/text.h"

namespace lumidex::cli {

namespace {

const Option kHelp{"--help", "", "show this text"};
const Option kVersion{"--version", "", "show the program's name and version"};

}  // namespace

std::optional<std::string> ParsedArguments::value(const std::string& name) const {
    const auto it = options.find(name);
    return it == options.end() ? std::nullopt : std::optional<std::string>(it->second);
}

ArgumentParser::ArgumentParser(std::string program, std::string usage, std::vector<Option> options)
    : program_(std::move(program)), usage_(std::move(usage)), options_(std::move(options)) {}

const Option* ArgumentParser::find(const std::string& name) const {
    for (const Option& option : options_) {
        if (!option.operand && option.name == name) {
            return &option;
        }
    }
    return nullptr;
}

ParsedArguments ArgumentParser::parse(const std::vector<std::string>& args) const {
    ParsedArguments parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--" && !optionsEnded) {
            optionsEnded = true;
            continue;
        }
        const bool longForm = arg.rfind("--", 0) == 0;
        const bool dashed = arg.size() > 1 && arg[0] == '-';
        if (optionsEnded || !dashed || (firstOperandEnds_ && !longForm && arg != "-h")) {
            parsed.operands.push_back(arg);
            optionsEnded = optionsEnded || firstOperandEnds_;
            continue;
        }
        const std::size_t equals = longForm ? arg.find('=') : std::string::npos;
        const std::string name = arg.substr(0, equals);
        if (name == kHelp.name || name == "-h") {
            parsed.help = true;
            return parsed;
        }
        if (name == kVersion.name) {
            parsed.version = true;
            return parsed;
        }
        const Option* option = find(name);
        if (!option) {
            throw ArgumentError("unknown option " + quoted(name));
        }
        std::string value;
        if (option->valueName.empty()) {
            if (equals != std::string::npos) {
                throw ArgumentError(printable(name) + " takes no value");
            }
        } else if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else if (++i < args.size()) {
            value = args[i];
        } else {
            throw ArgumentError(printable(name) + " needs a value");
        }
        if (!option->valueName.empty() && parsed.has(name)) {
            throw ArgumentError(name + " is given more than once");
        }
        parsed.options[name] = value;
    }
    return parsed;
}

std::string ArgumentParser::optionsHelp(std::size_t width) const {
    std::string out;
    std::vector<Option> rows = options_;
    rows.push_back(kHelp);
    rows.push_back(kVersion);
    for (const Option& row : rows) {
        out += helpEntry(row.name + (row.valueName.empty() ? "" : " " + row.valueName), row.help,
                         width + 4);
    }
    return out;
}

std::string helpEntry(const std::string& left, const std::string& help, std::size_t column) {
    std::string text = help;
    for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += column + 1) {
        text.insert(at + 1, column, ' ');
    }
    const std::size_t used = 2 + left.size();
    return "  " + left + std::string(column > used + 1 ? column - used : 1, ' ') + text + "\n";
}

std::optional<int> ArgumentParser::run(
    int argc, char* argv[], const std::function<std::string()>& help,
    const std::function<void(const ParsedArguments&)>& read) const {
    try {
        const ParsedArguments parsed = parse(programArguments(argc, argv));
        if (parsed.help) {
            std::fputs((usage_ + "\n" + help()).c_str(), stdout);
            return ExitOk;
        }
        if (parsed.version) {
            std::printf("%s %s\n", program_.c_str(), LUMIDEX_VERSION);
            return ExitOk;
        }
        read(parsed);
    } catch (const ArgumentError& error) {
        printError(program_, error.what());
        std::fputs(usage_.c_str(), stderr);
        std::fprintf(stderr, "Try '%s --help' for more information.\n", program_.c_str());
        return ExitUsage;
    }
    return std::nullopt;
}

std::optional<int> wholeNumber(const std::string& text) {
    try {
        return static_cast<int>(numberIn(text, 0, std::numeric_limits<int>::max(), ""));
    } catch (const BadInput&) {
        return std::nullopt;
    }
}

void printError(const std::string& program, const std::string& message) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s: %s\n", program.c_str(), message.c_str());
    std::fflush(stderr);
}

}  // namespace lumidex::cli
