#pragma once
// Turning the bytes of names and chat lines into display text: colour codes
// removed, control characters dropped, and the bytes read as UTF-8 where the
// game sends UTF-8 (Quake Live), otherwise as Windows-1252.

#include <string>
#include <string_view>

namespace fenlark::q3match {

// Removes colour codes: "^" followed by any character other than "^" (the
// engine's rule), and the extended "^x" or "^X" followed by six hex digits.
// With `utf8` a "^" before a byte above 127 is kept, so that no multi-byte
// character loses its first byte.
std::string StripColourCodes(std::string_view text, bool utf8);

// Colour codes removed, control characters dropped, converted to UTF-8.
// With `utf8` valid UTF-8 stays as it is; any other text is read as
// Windows-1252.
std::string DisplayText(std::string_view bytes, bool utf8);

} // namespace fenlark::q3match
