#include "extract/TextCleanup.h"

#include <array>

namespace fenlark {

std::string& ReplaceText(std::string& text, const std::string& search,
                         const std::string& replacement, std::size_t extraCount) {
    if (search.empty()) {
        return text;
    }
    // Each search starts again at the first character, so an occurrence that a
    // removal has just formed is removed as well.
    for (std::size_t p = text.find(search); p != std::string::npos; p = text.find(search)) {
        const std::size_t removeEnd = p + search.size() + extraCount;
        const std::size_t removeCount = removeEnd > text.size() ? text.size() - p : removeEnd - p;
        text.replace(p, removeCount, replacement);
    }
    return text;
}

namespace {

struct ColorCode {
    const char* code;
    std::size_t following; // characters removed after the code
};

// The order matters: a code that forms only after its own row ran stays.
constexpr std::array<ColorCode, 19> ColorCodes{{
    {"^0", 0}, {"^1", 0}, {"^2", 0}, {"^3", 0}, {"^4", 0}, {"^5", 0}, {"^6", 0},
    {"^7", 0}, {"^8", 0}, {"^9", 0}, {"^0", 0}, {"^b", 0}, {"^B", 0}, {"^f", 0},
    {"^F", 0}, {"^N", 0}, {"^n", 0}, {"^X", 6}, {"^x", 6},
}};

} // namespace

std::string& StripColorCodes(std::string& text) {
    static const std::string empty;
    for (const ColorCode& row : ColorCodes) {
        ReplaceText(text, row.code, empty, row.following);
    }
    return text;
}

} // namespace fenlark
