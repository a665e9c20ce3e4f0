#include "readers/quakeworld/QwChat.h"

#include "readers/quake/QuakeText.h"

#include <cctype>

namespace fenlark::readers::quakeworld {

namespace {

constexpr std::string_view SpectatorPrefix = "[SPEC] ";

bool IsHex(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

} // namespace

std::optional<QwChatLine> SplitQwChat(std::string_view line, std::span<const std::string> names) {
    std::optional<QwChatLine> best;
    std::size_t bestLength = 0;
    for (const std::string& name : names) {
        if (name.empty() || name.size() < bestLength) {
            continue;
        }
        const std::string open = name + ": ";
        const std::string team = "(" + name + "): ";
        const std::string spectators = std::string(SpectatorPrefix) + name + ": ";
        if (line.starts_with(open)) {
            best = QwChatLine{line.substr(0, name.size()), line.substr(open.size()), false};
        } else if (line.starts_with(team)) {
            best = QwChatLine{line.substr(1, name.size()), line.substr(team.size()), true};
        } else if (line.starts_with(spectators)) {
            best = QwChatLine{line.substr(SpectatorPrefix.size(), name.size()),
                              line.substr(spectators.size()), true};
        } else {
            continue;
        }
        bestLength = name.size();
    }
    return best;
}

std::string CleanQwChatText(std::string_view raw) {
    std::string kept;
    kept.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '&' && i + 4 < raw.size() && raw[i + 1] == 'c' && IsHex(raw[i + 2]) &&
            IsHex(raw[i + 3]) && IsHex(raw[i + 4])) {
            i += 4;
            continue;
        }
        if (c == '&' && i + 1 < raw.size() && raw[i + 1] == 'r') {
            ++i;
            continue;
        }
        if (c == '{' || c == '}' || c == '\r') {
            continue;
        }
        kept += c;
    }
    return QuakeLineToUtf8(kept);
}

} // namespace fenlark::readers::quakeworld
