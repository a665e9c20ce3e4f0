#pragma once
// Values of info strings: "key\value\key\value", with or without a leading
// backslash (server and system info have one, player configstrings do not).

#include <optional>
#include <string_view>

namespace fenlark::q3match {

// The value of the first pair whose key is `key` (compared exactly), or
// std::nullopt when no pair has that key.
std::optional<std::string_view> InfoValue(std::string_view info, std::string_view key);

// The value read as a decimal number the way the engine's atoi reads it
// (leading blanks and a sign allowed, digits up to the first other
// character); std::nullopt when the key is missing or no digit follows.
std::optional<int> InfoNumber(std::string_view info, std::string_view key);

// atoi on a view, with the same rules; std::nullopt when no digit is found.
std::optional<int> ParseNumber(std::string_view text);

} // namespace fenlark::q3match
