#pragma once
// Server values and players from the configstrings of a gamestate.

#include <string>
#include <utility>
#include <vector>

namespace fenlark {

class Session;

struct InfoPairs {
    std::vector<std::pair<std::string, std::string>> pairs;
    bool incompleteLastPair = false; // a last key had no value after it
};

// Takes "\key\value\...\key\value\" apart: the leading backslash is
// skipped and every token a backslash follows is a key or a value, in turn.
InfoPairs SplitInfoString(const std::string& text);

// Lists every pair of a "\..." configstring in the other-information list and
// fills the five value fields from the pairs the current definition names.
void ShowServerInfo(Session& session, const std::string& text);

// Adds the player of an "n\..." configstring to the list its team names, with
// its other keys as details entry. Throws ReadingError when the text's last
// key has no value.
void AddPlayer(Session& session, const std::string& text);

} // namespace fenlark
