#pragma once
// QuakeWorld info strings: "\key\value\key\value...", the form of the
// server's settings (serverinfo) and of each client's settings (userinfo).
// Keys and values are raw bytes of the Quake character set.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fenlark::readers::quakeworld {

using InfoPairs = std::vector<std::pair<std::string, std::string>>;

// The pairs in their order; a key without a value gets "".
InfoPairs ParseInfoString(std::string_view info);

// The value of `key` ("" when absent).
std::string_view InfoValue(const InfoPairs& pairs, std::string_view key);

// Sets `key` to `value`, appending it when new; an empty value removes it.
void SetInfoValue(InfoPairs& pairs, std::string_view key, std::string_view value);

} // namespace fenlark::readers::quakeworld
