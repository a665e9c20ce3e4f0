#pragma once
// Text of the Quake engine family (Quake, QuakeWorld) as UTF-8.
//
// The engines draw strings with their own 256-glyph font: bytes 128-255 are
// the glyphs of 0-127 in a second colour, and most codes below 32 are special
// glyphs (dots, gold digits, brackets, the pieces of a separator bar). These
// functions turn such bytes into readable UTF-8 once, where a reader hands a
// name or a text to the report.

#include <string>
#include <string_view>

namespace fenlark::readers {

// Every byte as its readable character; line breaks stay line breaks.
std::string QuakeTextToUtf8(std::string_view raw);

// A one-line value (a name, a level name, a server value): as above, with
// line breaks and tabs turned into spaces and the ends trimmed.
std::string QuakeLineToUtf8(std::string_view raw);

} // namespace fenlark::readers
