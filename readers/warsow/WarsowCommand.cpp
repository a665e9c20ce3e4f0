#include "readers/warsow/WarsowCommand.h"

namespace fenlark::readers::warsow {

namespace {

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

} // namespace

std::vector<std::string_view> SplitCommand(std::string_view text, std::size_t maxWords) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < text.size() && words.size() < maxWords) {
        // Blanks up to a newline; the newline ends the command.
        while (at < text.size() && IsBlank(text[at]) && text[at] != '\n') {
            ++at;
        }
        if (at >= text.size() || text[at] == '\n') {
            break;
        }
        if (text.substr(at, 2) == "//") {
            while (at < text.size() && text[at] != '\n') {
                ++at;
            }
            continue;
        }
        if (text.substr(at, 2) == "/*") {
            const std::size_t close = text.find("*/", at + 2);
            at = close == std::string_view::npos ? text.size() : close + 2;
            continue;
        }
        if (text[at] == '"') {
            const std::size_t start = at + 1;
            const std::size_t close = text.find('"', start);
            const std::size_t end = close == std::string_view::npos ? text.size() : close;
            words.push_back(text.substr(start, end - start));
            at = close == std::string_view::npos ? text.size() : close + 1;
            continue;
        }
        const std::size_t start = at;
        while (at < text.size() && !IsBlank(text[at])) {
            ++at;
        }
        words.push_back(text.substr(start, at - start));
    }
    return words;
}

} // namespace fenlark::readers::warsow
