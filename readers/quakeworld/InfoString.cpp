#include "readers/quakeworld/InfoString.h"

#include <algorithm>

namespace fenlark::readers::quakeworld {

InfoPairs ParseInfoString(std::string_view info) {
    InfoPairs pairs;
    if (!info.empty() && info.front() == '\\') {
        info.remove_prefix(1);
    }
    while (!info.empty()) {
        const auto keyEnd = info.find('\\');
        const std::string_view key = info.substr(0, keyEnd);
        std::string_view value;
        if (keyEnd == std::string_view::npos) {
            info = {};
        } else {
            info.remove_prefix(keyEnd + 1);
            const auto valueEnd = info.find('\\');
            value = info.substr(0, valueEnd);
            info =
                valueEnd == std::string_view::npos ? std::string_view{} : info.substr(valueEnd + 1);
        }
        if (key.empty()) {
            continue;
        }
        // A repeated key keeps its first place and its last value.
        const auto found =
            std::ranges::find_if(pairs, [&](const auto& pair) { return pair.first == key; });
        if (found != pairs.end()) {
            found->second = value;
        } else {
            pairs.emplace_back(key, value);
        }
    }
    return pairs;
}

std::string_view InfoValue(const InfoPairs& pairs, std::string_view key) {
    const auto found =
        std::ranges::find_if(pairs, [&](const auto& pair) { return pair.first == key; });
    return found == pairs.end() ? std::string_view{} : std::string_view(found->second);
}

void SetInfoValue(InfoPairs& pairs, std::string_view key, std::string_view value) {
    const auto found =
        std::ranges::find_if(pairs, [&](const auto& pair) { return pair.first == key; });
    if (value.empty()) {
        if (found != pairs.end()) {
            pairs.erase(found);
        }
        return;
    }
    if (found != pairs.end()) {
        found->second = value;
    } else {
        pairs.emplace_back(key, value);
    }
}

} // namespace fenlark::readers::quakeworld
