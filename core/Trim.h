#pragma once
// Trimming characters off the ends of a text, for every layer.

#include <string_view>

namespace fenlark {

inline constexpr std::string_view Spaces = " ";
inline constexpr std::string_view Blanks = " \t";
// Blanks and the carriage return a CR LF line leaves before its line feed.
inline constexpr std::string_view LineEndBlanks = " \t\r";

inline std::string_view TrimFront(std::string_view text, std::string_view characters) {
    const std::size_t first = text.find_first_not_of(characters);
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

inline std::string_view TrimBack(std::string_view text, std::string_view characters) {
    const std::size_t last = text.find_last_not_of(characters);
    return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

inline std::string_view Trim(std::string_view text, std::string_view characters) {
    return TrimBack(TrimFront(text, characters), characters);
}

// A line of a definition or table file: blanks at the front, blanks and a
// carriage return at the back.
inline std::string_view TrimLine(std::string_view text) {
    return TrimBack(TrimFront(text, Blanks), LineEndBlanks);
}

} // namespace fenlark
