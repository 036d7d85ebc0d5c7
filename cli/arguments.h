// The command line of the companion programs (lumidex-send, lumidex-monitor,
// lumidex-module): one parser for all three, their exit statuses, their
// --help, --version and error reports.
//
// Qt's QCommandLineParser is not used: its errors are fixed sentences
// ("Missing value after '--baud'.") that cannot say what these programs say,
// and it reads every word with one dash as short options, where lumidex-send
// must take "int -42" as a command and its value.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace lumidex::cli {

constexpr int ExitOk = 0;
constexpr int ExitFailure = 1;  // a device failed, or not everything went out
constexpr int ExitUsage = 2;    // bad arguments (or script lines): nothing was done

// A mistake on the command line; the program ends with ExitUsage.
class ArgumentError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// An option, or (with `operand`) a row of --help that describes an operand.
struct Option {
    std::string name;       // "--port", or "DEVICE" for an operand
    std::string valueName;  // "COMn|DEVICE"; empty for a flag
    std::string help;       // for --help; lines after the first start with '\n'
    bool operand = false;
};

struct ParsedArguments {
    std::map<std::string, std::string> options;  // by name; a flag's value is empty
    std::vector<std::string> operands;
    bool help = false;
    bool version = false;

    bool has(const std::string& name) const { return options.count(name) > 0; }
    std::optional<std::string> value(const std::string& name) const;
};

class ArgumentParser {
  public:
    // `usage`: the usage lines, "usage: program ...\n". --help (or -h) and
    // --version are the parser's own.
    ArgumentParser(std::string program, std::string usage, std::vector<Option> options);

    // With this, the first operand ends the options and everything after it
    // is an operand, dashes or not ("int -42"), and a word with one dash is
    // an operand too.
    void firstOperandEndsOptions() { firstOperandEnds_ = true; }

    // Reads the arguments after the program's name: --name VALUE or
    // --name=VALUE, flags, and operands; "--" ends the options. An option
    // that takes a value may be given once. Stops at --help or --version.
    // Throws ArgumentError.
    ParsedArguments parse(const std::vector<std::string>& args) const;

    // The options' rows of --help: two spaces in, the name and value in a
    // column of `width`, two spaces, then the help text; --help and
    // --version last.
    std::string optionsHelp(std::size_t width) const;

    // Reads the program's arguments: answers --help (with what `help` makes,
    // the text after the usage, made only then) and --version, and hands the
    // rest to `read`, which throws ArgumentError on a mistake. Returns the
    // exit status when the program is done (having said why on standard error
    // for a mistake), none when it goes on.
    std::optional<int> run(int argc, char* argv[], const std::function<std::string()>& help,
                           const std::function<void(const ParsedArguments&)>& read) const;

  private:
    const Option* find(const std::string& name) const;

    std::string program_;
    std::string usage_;
    std::vector<Option> options_;
    bool firstOperandEnds_ = false;
};

// One entry of --help: two spaces in, `left`, then `help` from `column` on
// (a blank at least), its lines after the first (after '\n') indented to
// `column` too.
std::string helpEntry(const std::string& left, const std::string& help, std::size_t column);

// A whole number within int, digits only (no sign, blanks or fraction).
std::optional<int> wholeNumber(const std::string& text);

// "program: message" on standard error, after what standard output holds.
void printError(const std::string& program, const std::string& message);

// The program's arguments after its name, as UTF-8, however the system
// passed them.
std::vector<std::string> programArguments(int argc, char* argv[]);

}  // namespace lumidex::cli
