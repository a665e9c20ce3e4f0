#include "q3match/InfoString.h"

#include <cstdint>

namespace fenlark::q3match {

std::optional<std::string_view> InfoValue(std::string_view info, std::string_view key) {
    if (!info.empty() && info.front() == '\\') {
        info.remove_prefix(1);
    }
    while (!info.empty()) {
        const std::size_t keyEnd = info.find('\\');
        if (keyEnd == std::string_view::npos) {
            return std::nullopt; // a last key without value
        }
        const std::string_view pairKey = info.substr(0, keyEnd);
        info.remove_prefix(keyEnd + 1);
        const std::size_t valueEnd = info.find('\\');
        const std::string_view value = info.substr(0, valueEnd);
        if (pairKey == key) {
            return value;
        }
        if (valueEnd == std::string_view::npos) {
            break;
        }
        info.remove_prefix(valueEnd + 1);
    }
    return std::nullopt;
}

std::optional<int> ParseNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size() || text[i] < '0' || text[i] > '9') {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value < 1'000'000'000'000) {
            value = value * 10 + (text[i] - '0');
        }
    }
    if (negative) {
        value = -value;
    }
    // Out-of-range numbers are clamped rather than wrapped.
    if (value > INT32_MAX) {
        value = INT32_MAX;
    } else if (value < INT32_MIN) {
        value = INT32_MIN;
    }
    return static_cast<int>(value);
}

std::optional<int> InfoNumber(std::string_view info, std::string_view key) {
    const auto value = InfoValue(info, key);
    return value ? ParseNumber(*value) : std::nullopt;
}

} // namespace fenlark::q3match
