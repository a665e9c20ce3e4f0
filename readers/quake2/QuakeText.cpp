#include "readers/quake2/QuakeText.h"

#include <array>

namespace fenlark::readers::quake2 {

namespace {

// Glyphs 0 to 31 of the console font. 0 to 2 are the ends and middle of a
// bar, 16 and 17 brackets, 18 to 27 the
// digits in the second colour, the others box pieces and dots.
constexpr std::array<const char*, 32> LowGlyphs = {
    "(", "=", ")", "=", "=", "\u2022", "=", "=", "=", " ", "\n", " ", " ", " ", "\u2022", "\u2022",
    "[", "]", "0", "1", "2", "3",      "4", "5", "6", "7", "8",  "9", ".", "<", "=",      ">"};

} // namespace

std::string QuakeTextToUtf8(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (const char raw : bytes) {
        const auto glyph = static_cast<unsigned char>(static_cast<unsigned char>(raw) & 0x7F);
        if (glyph < 32) {
            text += LowGlyphs[glyph];
        } else if (glyph == 127) {
            text += "\u2190"; // the font's left arrow
        } else {
            text += static_cast<char>(glyph);
        }
    }
    return text;
}

} // namespace fenlark::readers::quake2
