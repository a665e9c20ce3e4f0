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

#ifdef _WIN32
// Paths and system text cross the Windows API as UTF-16. Bytes that are not
// valid UTF-8 become U+FFFD (such a name cannot exist on a Windows volume).
std::wstring Utf8ToWide(std::string_view text);
// UTF-16 from the system to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string WideToUtf8(std::wstring_view text);
#endif

} // namespace fenlark
