#include "readers/quake/QuakeText.h"

#include <array>
#include <cstdint>

namespace fenlark::readers {

namespace {

// The readable form of each glyph of the low half of the font (the high half
// draws the same glyphs in another colour). Printable ASCII stands for itself.
constexpr std::array<const char*, 32> LowGlyphs = {
    "",  "#", "#", "#", "#", "•", "#", "#", "#", "\t", "\n", "#", " ", "\r", "•", "•",
    "[", "]", "0", "1", "2", "3", "4", "5", "6", "7",  "8",  "9", "•", "(",  "=", ")",
};

void AppendGlyph(std::string& out, std::uint8_t byte) {
    // The high half repeats the low half; 128-130 are the pieces of the
    // brown separator bar and 141 an arrow, unlike their low twins.
    switch (byte) {
    case 128:
        out += '(';
        return;
    case 129:
        out += '=';
        return;
    case 130:
        out += ')';
        return;
    case 141:
        out += '>';
        return;
    default:
        break;
    }
    const std::uint8_t glyph = byte & 0x7f;
    if (glyph < LowGlyphs.size()) {
        out += LowGlyphs[glyph];
    } else if (glyph == 127) {
        out += '<';
    } else {
        out += static_cast<char>(glyph);
    }
}

} // namespace

std::string QuakeTextToUtf8(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    for (const char c : raw) {
        AppendGlyph(out, static_cast<std::uint8_t>(c));
    }
    return out;
}

std::string QuakeLineToUtf8(std::string_view raw) {
    std::string text = QuakeTextToUtf8(raw);
    for (char& c : text) {
        if (c == '\n' || c == '\r' || c == '\t') {
            c = ' ';
        }
    }
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

} // namespace fenlark::readers
