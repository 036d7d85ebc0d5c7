#include "support/commandrows.h"

#include "protocol/commands.h"

namespace lumidex::test {

const std::vector<CommandRow>& commandRows() {
    // A row a line or a few: name, button, inputs, text, UID, wire, monitor's
    // line, lumidex-send's command.
    // clang-format off
    static const std::vector<CommandRow> rows = {
        {"text empty", "cmdSendAscii", {}, U"", 255, "FF 62 20 20 20 20",
         R"(UID 255  text "    ")", "text "},
        {"text 7", "cmdSendAscii", {}, U"7", 255, "FF 62 20 20 20 37",
         R"(UID 255  text "   7")", "text 7"},
        {"text 12", "cmdSendAscii", {}, U"12", 255, "FF 62 20 20 31 32",
         R"(UID 255  text "  12")", "text 12"},
        {"text ABC", "cmdSendAscii", {}, U"ABC", 255, "FF 62 20 41 42 43",
         R"(UID 255  text " ABC")", "text ABC"},
        {"text Hi 5", "cmdSendAscii", {}, U"Hi 5", 255, "FF 62 48 69 20 35",
         R"(UID 255  text "Hi 5")", "text Hi 5"},
        {"text blank 1", "cmdSendAscii", {}, U" 1", 255, "FF 62 20 20 20 31",
         R"(UID 255  text "   1")", "text  1"},
        {"text 7 and a blank", "cmdSendAscii", {}, U"7 ", 255, "FF 62 20 20 37 20",
         R"(UID 255  text "  7 ")", "text 7 "},
#ifndef _WIN32
        {"text Latin-1", "cmdSendAscii", {}, U"\u00b0C\u00ff", 255, "FF 62 20 B0 43 FF",
         "UID 255  text \" \u00b0C\u00ff\"", "text \u00b0C\u00ff"},
#endif
        {"bcd 12 34", "cmdSendBCD", {12, 34}, U"", 255, "FF 64 12 34", "UID 255  BCD 1234", "bcd 1234"},
        {"bcd 0 0", "cmdSendBCD", {0, 0}, U"", 255, "FF 64 00 00", "UID 255  BCD 0000", "bcd 0000"},
        {"bcd 99 5", "cmdSendBCD", {99, 5}, U"", 255, "FF 64 99 05", "UID 255  BCD 9905", "bcd 9905"},
        {"bcd, UID 7", "cmdSendBCD", {0, 0}, U"", 7, "07 64 00 00", "UID 7  BCD 0000", "bcd 0000"},
        {"unsigned 12AB", "cmdSendInteger", {0, 0x12, 0xAB}, U"", 255, "FF 66 12 AB",
         "UID 255  unsigned integer 0x12AB (4779)", "uint 4779"},
        {"signed 12AB", "cmdSendInteger", {1, 0x12, 0xAB}, U"", 255, "FF 67 12 AB",
         "UID 255  signed integer 0x12AB (4779)", "int 4779"},
        {"signed -42", "cmdSendInteger", {1, 0xFF, 0xD6}, U"", 255, "FF 67 FF D6",
         "UID 255  signed integer 0xFFD6 (-42)", "int -42"},
        {"save 0", "cmdSaveCS_0", {0}, U"", 255, "FF 73 00",
         "UID 255  save screen to memory 0", "save 0"},
        {"recall 19", "cmdSaveCS_1", {19}, U"", 255, "FF 72 13",
         "UID 255  recall screen from memory 19", "recall 19"},
        {"segments off", "cmdSendSD", {0, 0, 0, 0}, U"", 255, "FF 61 00 00 00 00",
         "UID 255  segments 00 00 00 00", "segments 00 00 00 00"},
        {"segment a digit 4", "cmdSendSD", {1, 0, 0, 0}, U"", 255, "FF 61 01 00 00 00",
         "UID 255  segments 01 00 00 00", "segments 01 00 00 00"},
        {"segment a digit 1", "cmdSendSD", {0, 0, 0, 1}, U"", 255, "FF 61 00 00 00 01",
         "UID 255  segments 00 00 00 01", "segments 0 0 0 1"},
        {"segments as two digits each", "cmdSendSD", {0x0A, 0x0F, 0x10, 0xAB}, U"", 255,
         "FF 61 0A 0F 10 AB", "UID 255  segments 0A 0F 10 AB", "segments 0a 0F 10 Ab"},
        {"segments with high bits, UID 128", "cmdSendSD", {0x80, 0x00, 0xFE, 0x7F}, U"", 128,
         "80 61 80 00 FE 7F", "UID 128  segments 80 00 FE 7F", "segments 80 00 FE 7F"},
        {"decimal points 4 and 1", "cmdDPCtl", {9}, U"", 255, "FF 63 09",
         "UID 255  decimal points on digits 4 and 1", "points 9"},
        {"decimal points none", "cmdDPCtl", {0}, U"", 255, "FF 63 00",
         "UID 255  decimal points off", "points 0"},
        {"brightness", "cmdDP", {}, U"", 255, "FF 6E",
         "UID 255  brightness toggle", "bright"},
        {"brightness, UID 0", "cmdDP", {}, U"", 0, "00 6E", "UID 0  brightness toggle",
         "bright"},
        {"configuration presets", "cmdConfig", {0, 255, 0, 0, 0, 0}, U"", 255,
         "1E 1E 24 FF 00 00 00 00",
         "UID 30  configure: baud 9600, new UID 255, start-up decimal points off",
         "config 255 9600 0"},
        {"configuration 38400, UID 5, points 4 and 1", "cmdConfig", {2, 5, 1, 0, 0, 1}, U"", 255,
         "1E 1E 09 05 08 00 00 08",
         "UID 30  configure: baud 38400, new UID 5, start-up decimal points on digits 4 and 1",
         "config 5 38400 9"},
        {"configuration 19200, UID 0, point 2", "cmdConfig", {1, 0, 0, 0, 1, 0}, U"", 255,
         "1E 1E 12 00 00 00 08 00",
         "UID 30  configure: baud 19200, new UID 0, start-up decimal points on digit 2",
         "config 0 19200 2"},
    };
    // clang-format on
    return rows;
}

const Command& commandOf(const CommandRow& row) {
    const std::uint8_t code = std::uint8_t(std::stoi(row.wire.substr(3, 2), nullptr, 16));
    const Command* command = commandFor(code);
    if (!command) {
        throw std::invalid_argument("row " + row.name + " carries no command code");
    }
    return *command;
}

int frameUid(const CommandRow& row) {
    return commandOf(row).toConfigUnit ? ConfigUid : row.uid;
}

int encodeRow(const CommandRow& row, Frame& frame) {
    const std::vector<int>& in = row.inputs;
    switch (commandOf(row).code) {
        case code::Text:
            return encodeText(frame, padText(row.text));
        case code::Bcd:
            return encodeBcd(frame, in[0], in[1]);
        case code::Unsigned:
        case code::Signed:
            return encodeInteger(frame, in[0] != 0, in[1], in[2]);
        case code::Segments:
            return encodeSegments(frame, in[0], in[1], in[2], in[3]);
        case code::DecimalPoints:
            return encodeDecimalPoints(frame, in[0]);
        case code::Brightness:
            return encodeBrightness(frame);
        case code::Save:
            return encodeSave(frame, in[0]);
        case code::Recall:
            return encodeRecall(frame, in[0]);
        case code::Configure:
            return encodeConfig(frame, in[1], kModuleBauds[std::size_t(in[0])].rate,
                                {in[2] != 0, in[3] != 0, in[4] != 0, in[5] != 0});
    }
    throw std::invalid_argument("no encoder for row " + row.name);
}

}  // namespace lumidex::test
