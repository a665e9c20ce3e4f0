#pragma once
// Text in Warsow demos: UTF-8 with colour codes ("^" and a digit; "^^" is a
// caret). Names keep their codes in the raw values and lose them for display.

#include <string>
#include <string_view>

namespace fenlark::readers::warsow {

// Valid UTF-8 stays as it is; anything else is read as Windows-1252 (what
// older servers wrote for accented letters).
std::string WarsowTextToUtf8(std::string_view bytes);

// Removes the colour codes ("^0" to "^9") and turns "^^" into "^".
std::string StripColourCodes(std::string_view text);

} // namespace fenlark::readers::warsow
