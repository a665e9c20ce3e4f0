#pragma once
// Text out of GoldSrc demos and the "\key\value" info strings of players.
// The engine sends bytes as typed: valid UTF-8 stays UTF-8, anything else is
// read as Windows-1252.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fenlark::readers::goldsrc {

// Display text of `bytes`: UTF-8 when valid, else Windows-1252; control
// characters removed.
std::string DisplayText(std::string_view bytes);

// The pairs of an info string "\key\value\key\value".
std::vector<std::pair<std::string_view, std::string_view>> InfoPairs(std::string_view info);

// The value of `key` in an info string.
std::optional<std::string_view> InfoValue(std::string_view info, std::string_view key);

} // namespace fenlark::readers::goldsrc
