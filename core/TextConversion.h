#pragma once
// The one place where text changes its encoding. Text read from demos is
// bytes of the Windows-1252 code page; definition files are UTF-8 when they
// are valid UTF-8 and Windows-1252 otherwise; the window model, the language
// table and the front ends hold UTF-8.

#include <string>
#include <string_view>

namespace fenlark {

// The length of the well-formed UTF-8 sequence that starts at `at` (1 to
// 4), or 0 when the bytes there are not one.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at);

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing beyond U+10FFFF).
bool IsValidUtf8(std::string_view text);

// Each byte one Windows-1252 character, to UTF-8: 0x80 is "€", 0x85 "…"; the
// five bytes the code page leaves undefined stay the control characters of
// the same number.
std::string Windows1252ToUtf8(std::string_view bytes);

// The text of a definition file as UTF-8: a leading byte-order mark is
// dropped; valid UTF-8 stays as it is, anything else is read as Windows-1252.
std::string DefinitionTextToUtf8(std::string_view fileBytes);

} // namespace fenlark
