// libFuzzer entry point for the profile text functions. The input is split at
// its first three 0xFF bytes into section, key, value and content (missing
// parts are empty). Checks, besides not crashing, that an update reads back.
// `make fuzz` builds and runs it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "settings/profile.h"

namespace {

std::string_view nextPart(std::string_view& rest) {
    const std::size_t cut = rest.find('\xFF');
    const std::string_view part = rest.substr(0, cut);
    rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
    return part;
}

bool readsBackAsWritten(std::string_view value) {
    if (value.empty()) {
        return true;
    }
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    return !blank(value.front()) && !blank(value.back()) && !quoted;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    const std::string_view section = nextPart(rest);
    const std::string_view key = nextPart(rest);
    const std::string_view value = nextPart(rest);
    const std::string_view content = rest;

    (void)lumidex::profileLookup(content, section, key);
    (void)lumidex::profileSectionEntries(content, section);
    // Whatever the bytes, decoding keeps 8-bit text as it is after its mark.
    const lumidex::ProfileText decoded = lumidex::decodeProfile(content);
    if (decoded.encoding == lumidex::ProfileEncoding::Bytes && decoded.text != content) {
        std::abort();
    }
    const auto updated = lumidex::profileUpdate(content, section, key, value);
    if (updated.has_value() != lumidex::profileEntryStorable(section, key, value)) {
        std::abort();
    }
    if (updated) {
        if (readsBackAsWritten(value) && lumidex::profileLookup(*updated, section, key) != value) {
            std::abort();
        }
        if (lumidex::profileUpdate(*updated, section, key, value) != updated) {
            std::abort();
        }
    }
    return 0;
}
