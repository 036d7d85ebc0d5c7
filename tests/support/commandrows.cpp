#include "support/commandrows.h"

#include "protocol/commands.h"

namespace lumidex::test {

namespace {

CommandRow row(std::string name, Button button, std::string wire, std::string decoded) {
    CommandRow r;
    r.name = std::move(name);
    r.button = button;
    r.wire = std::move(wire);
    r.decoded = std::move(decoded);
    return r;
}

CommandRow text(std::string name, std::u32string typed, std::string wire, std::string decoded) {
    CommandRow r = row(std::move(name), Button::Text, std::move(wire), std::move(decoded));
    r.text = std::move(typed);
    return r;
}

CommandRow lists(std::string name, Button button, int high, int low, std::string wire,
                 std::string decoded) {
    CommandRow r = row(std::move(name), button, std::move(wire), std::move(decoded));
    r.high = high;
    r.low = low;
    return r;
}

CommandRow integer(std::string name, bool isSigned, int high, int low, std::string wire,
                   std::string decoded) {
    CommandRow r =
        lists(std::move(name), Button::Integer, high, low, std::move(wire), std::move(decoded));
    r.isSigned = isSigned;
    return r;
}

CommandRow segments(std::string name, std::array<int, 4> masks, std::string wire,
                    std::string decoded) {
    CommandRow r = row(std::move(name), Button::Segments, std::move(wire), std::move(decoded));
    r.segments = masks;
    return r;
}

CommandRow points(std::string name, int mask, std::string wire, std::string decoded) {
    CommandRow r = row(std::move(name), Button::DecimalPoints, std::move(wire), std::move(decoded));
    r.points = mask;
    return r;
}

CommandRow memory(std::string name, Button button, int location, std::string wire,
                  std::string decoded) {
    CommandRow r = row(std::move(name), button, std::move(wire), std::move(decoded));
    r.memory = location;
    return r;
}

CommandRow configure(std::string name, int baud, int newUid, std::array<bool, 4> startup,
                     std::string wire, std::string decoded) {
    CommandRow r = row(std::move(name), Button::Configure, std::move(wire), std::move(decoded));
    r.moduleBaud = baud;
    r.newUid = newUid;
    r.startupPoints = startup;
    return r;
}

CommandRow at(int uid, CommandRow r) {
    r.uid = uid;
    return r;
}

std::vector<CommandRow> allRows() {
    return {
        text("text empty", U"", "FF 62 20 20 20 20", R"(UID 255  text "    ")"),
        text("text 7", U"7", "FF 62 20 20 20 37", R"(UID 255  text "   7")"),
        text("text 12", U"12", "FF 62 20 20 31 32", R"(UID 255  text "  12")"),
        text("text ABC", U"ABC", "FF 62 20 41 42 43", R"(UID 255  text " ABC")"),
        text("text Hi 5", U"Hi 5", "FF 62 48 69 20 35", R"(UID 255  text "Hi 5")"),
        text("text blank 1", U" 1", "FF 62 20 20 20 31", R"(UID 255  text "   1")"),
#ifndef _WIN32
        text("text Latin-1", U"\u00b0C\u00ff", "FF 62 20 B0 43 FF",
             "UID 255  text \" \u00b0C\u00ff\""),
#endif
        lists("bcd 12 34", Button::Bcd, 12, 34, "FF 64 12 34", "UID 255  BCD 1234"),
        lists("bcd 0 0", Button::Bcd, 0, 0, "FF 64 00 00", "UID 255  BCD 0000"),
        lists("bcd 99 5", Button::Bcd, 99, 5, "FF 64 99 05", "UID 255  BCD 9905"),
        integer("unsigned 12AB", false, 0x12, 0xAB, "FF 66 12 AB",
                "UID 255  unsigned integer 0x12AB (4779)"),
        integer("signed 12AB", true, 0x12, 0xAB, "FF 67 12 AB",
                "UID 255  signed integer 0x12AB (4779)"),
        memory("save 0", Button::Save, 0, "FF 73 00", "UID 255  save screen to memory 0"),
        memory("recall 19", Button::Recall, 19, "FF 72 13",
               "UID 255  recall screen from memory 19"),
        segments("segments off", {0, 0, 0, 0}, "FF 61 00 00 00 00",
                 "UID 255  segments 00 00 00 00"),
        segments("segment a digit 4", {1, 0, 0, 0}, "FF 61 01 00 00 00",
                 "UID 255  segments 01 00 00 00"),
        segments("segment a digit 1", {0, 0, 0, 1}, "FF 61 00 00 00 01",
                 "UID 255  segments 00 00 00 01"),
        segments("segments echoed as two digits", {0x0A, 0x0F, 0x10, 0xAB}, "FF 61 0A 0F 10 AB",
                 "UID 255  segments 0A 0F 10 AB"),
        at(128, segments("segments with high bits, UID 128", {0x80, 0x00, 0xFE, 0x7F},
                         "80 61 80 00 FE 7F", "UID 128  segments 80 00 FE 7F")),
        points("decimal points 4 and 1", 9, "FF 63 09",
               "UID 255  decimal points on digits 4 and 1"),
        points("decimal points none", 0, "FF 63 00", "UID 255  decimal points off"),
        row("brightness", Button::Brightness, "FF 6E", "UID 255  brightness toggle"),
        at(0, row("brightness, UID 0", Button::Brightness, "00 6E", "UID 0  brightness toggle")),
        at(7, lists("bcd, UID 7", Button::Bcd, 0, 0, "07 64 00 00", "UID 7  BCD 0000")),
        configure("configuration presets", 0, 255, {}, "1E 1E 24 FF 00 00 00 00",
                  "UID 30  configure: baud 9600, new UID 255, start-up decimal points off"),
        configure("configuration 38400, UID 5, points 4 and 1", 2, 5, {true, false, false, true},
                  "1E 1E 09 05 08 00 00 08",
                  "UID 30  configure: baud 38400, new UID 5, start-up decimal points on digits "
                  "4 and 1"),
        configure("configuration 19200, UID 0, point 2", 1, 0, {false, false, true, false},
                  "1E 1E 12 00 00 00 08 00",
                  "UID 30  configure: baud 19200, new UID 0, start-up decimal points on digit 2"),
    };
}

}  // namespace

const std::vector<CommandRow>& commandRows() {
    static const std::vector<CommandRow> rows = allRows();
    return rows;
}

int frameUid(const CommandRow& row) {
    return row.button == Button::Configure ? ConfigUid : row.uid;
}

int encodeRow(const CommandRow& row, Frame& frame) {
    switch (row.button) {
        case Button::Text:
            return encodeText(frame, padText(row.text));
        case Button::Bcd:
            return encodeBcd(frame, row.high, row.low);
        case Button::Integer:
            return encodeInteger(frame, row.isSigned, row.high, row.low);
        case Button::Segments:
            return encodeSegments(frame, row.segments[0], row.segments[1], row.segments[2],
                                  row.segments[3]);
        case Button::DecimalPoints:
            return encodeDecimalPoints(frame, row.points);
        case Button::Brightness:
            return encodeBrightness(frame);
        case Button::Save:
            return encodeSaveRecall(frame, 0, row.memory);
        case Button::Recall:
            return encodeSaveRecall(frame, 1, row.memory);
        case Button::Configure:
            return encodeConfig(frame, row.moduleBaud, row.newUid, row.startupPoints);
    }
    return 0;
}

}  // namespace lumidex::test
