#pragma once
// The one place where text changes its encoding. Inside the tool text is
// bytes, one character per byte, read as Latin-1; the text table is UTF-8 and
// the front ends show UTF-8.

#include <string>
#include <string_view>

namespace fenlark {

// UTF-8 to one byte per character; a character beyond Latin-1, and a byte
// that is not part of a valid sequence, becomes "?".
std::string Utf8ToLatin1(std::string_view text);

// One byte per character (Latin-1) to UTF-8.
std::string Latin1ToUtf8(std::string_view bytes);

} // namespace fenlark
