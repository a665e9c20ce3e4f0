#pragma once
// Text of the Quake II engine family: its own 8-bit character set (the font
// of the console), turned into UTF-8 once, as it enters a report.

#include <string>
#include <string_view>

namespace fenlark::readers::quake2 {

// The console font's 256 glyphs as UTF-8. Bytes with the high bit set are the
// same glyphs drawn in the second colour ("gold" letters), so they read as
// their low half; the glyphs below 32 are frames, brackets, gold digits and
// dots, given their closest printable character. Newlines stay newlines.
std::string QuakeTextToUtf8(std::string_view bytes);

} // namespace fenlark::readers::quake2
