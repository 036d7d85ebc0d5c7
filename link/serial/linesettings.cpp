#include "link/serial/linesettings.h"

#include <limits>
#include <vector>

#include "link/serialport.h"
#include "protocol/text.h"

namespace lumidex {

std::string hostRatesText() {
    std::vector<std::string> rates;
    for (const std::int32_t rate : kHostRates) {
        rates.push_back(std::to_string(rate));
    }
    return listOf(rates, "or");
}

namespace {

std::string trimmed(const std::string& field) {
    const char* blanks = " \t";
    const auto first = field.find_first_not_of(blanks);
    if (first == std::string::npos) {
        return {};
    }
    const auto last = field.find_last_not_of(blanks);
    return field.substr(first, last - first + 1);
}

std::vector<std::string> splitFields(const std::string& text) {
    std::vector<std::string> fields;
    std::string::size_type start = 0;
    for (;;) {
        const auto comma = text.find(',', start);
        fields.push_back(trimmed(text.substr(start, comma - start)));
        if (comma == std::string::npos) {
            return fields;
        }
        start = comma + 1;
    }
}

// Digits only, no sign, at least 1, at most what a 32-bit baud rate holds.
bool parseBaudRate(const std::string& field, std::int32_t& baud) {
    if (field.empty()) {
        return false;
    }
    std::int64_t value = 0;
    for (const char c : field) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<std::int32_t>::max()) {
            return false;
        }
    }
    if (value == 0) {
        return false;
    }
    baud = static_cast<std::int32_t>(value);
    return true;
}

bool parseParity(const std::string& field, Parity& parity) {
    if (field.size() != 1) {
        return false;
    }
    switch (field[0]) {
        case 'n':
        case 'N':
            parity = Parity::None;
            return true;
        case 'e':
        case 'E':
            parity = Parity::Even;
            return true;
        case 'o':
        case 'O':
            parity = Parity::Odd;
            return true;
        case 'm':
        case 'M':
            parity = Parity::Mark;
            return true;
        case 's':
        case 'S':
            parity = Parity::Space;
            return true;
        default:
            return false;
    }
}

bool parseDataBits(const std::string& field, int& dataBits) {
    if (field.size() != 1 || field[0] < '5' || field[0] > '8') {
        return false;
    }
    dataBits = field[0] - '0';
    return true;
}

bool parseStopBits(const std::string& field, StopBits& stopBits) {
    if (field == "1") {
        stopBits = StopBits::One;
    } else if (field == "1.5") {
        stopBits = StopBits::OneAndHalf;
    } else if (field == "2") {
        stopBits = StopBits::Two;
    } else {
        return false;
    }
    return true;
}

}  // namespace

LineSettings parseLineSettings(const std::string& text) {
    const auto invalid = [&text](const char* reason) {
        return SerialPortError("settings \"" + text + "\" are not valid: " + reason);
    };
    const auto fields = splitFields(text);
    if (fields.size() != 4) {
        throw invalid(
            "expected baud rate, parity, data bits and stop bits separated by commas, "
            "such as \"9600,n,8,1\"");
    }
    LineSettings settings;
    if (!parseBaudRate(fields[0], settings.baudRate)) {
        throw invalid("baud rate must be a whole number from 1 to 2147483647");
    }
    if (!parseParity(fields[1], settings.parity)) {
        throw invalid("parity must be n, e, o, m or s");
    }
    if (!parseDataBits(fields[2], settings.dataBits)) {
        throw invalid("data bits must be 5, 6, 7 or 8");
    }
    if (!parseStopBits(fields[3], settings.stopBits)) {
        throw invalid("stop bits must be 1, 1.5 or 2");
    }
    return settings;
}

}  // namespace lumidex
