#pragma once
// Text out of Source demos. The engine sends UTF-8, but names and chat come
// from players and may hold broken sequences or control bytes (chat colour
// codes); these helpers make display text of them.

#include <string>
#include <string_view>

namespace fenlark::readers::source {

// `bytes` as UTF-8: valid sequences are kept, every invalid byte becomes
// U+FFFD.
std::string ValidUtf8(std::string_view bytes);

// Display text: ValidUtf8 without control characters (bytes below 0x20 and
// 0x7f).
std::string DisplayText(std::string_view bytes);

// Chat text without the colour codes of the chat HUD: bytes 1 to 6 select a
// colour, 7 is followed by six hex digits (RRGGBB) and 8 by eight (RRGGBBAA).
// Other control characters go too; the result is trimmed.
std::string WithoutChatColours(std::string_view bytes);

} // namespace fenlark::readers::source
