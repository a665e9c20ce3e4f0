#include "q3match/CommandTokens.h"

namespace fenlark::q3match {
namespace {

bool IsBlank(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte != 0 && byte <= ' ';
}

bool StartsComment(std::string_view text, std::size_t at) {
    return at + 1 < text.size() && text[at] == '/' && (text[at + 1] == '/' || text[at + 1] == '*');
}

} // namespace

void CommandTokens::tokenize(std::string_view text) {
    tokens_.clear();
    std::size_t i = 0;
    while (tokens_.size() < MaxTokens) {
        while (i < text.size() && IsBlank(text[i])) {
            ++i;
        }
        if (i >= text.size() || text[i] == '\0') {
            return;
        }
        if (StartsComment(text, i)) {
            if (text[i + 1] == '/') {
                return;
            }
            const std::size_t close = text.find("*/", i + 2);
            if (close == std::string_view::npos) {
                return;
            }
            i = close + 2;
            continue;
        }
        if (text[i] == '"') {
            const std::size_t start = i + 1;
            std::size_t end = text.find('"', start);
            if (end == std::string_view::npos) {
                end = text.size();
            }
            tokens_.push_back(text.substr(start, end - start));
            i = end + 1;
            continue;
        }
        const std::size_t start = i;
        while (i < text.size() && !IsBlank(text[i]) && text[i] != '"' && text[i] != '\0' &&
               !StartsComment(text, i)) {
            ++i;
        }
        tokens_.push_back(text.substr(start, i - start));
    }
}

std::string CommandTokens::joinFrom(std::size_t first) const {
    std::string joined;
    for (std::size_t i = first; i < tokens_.size(); ++i) {
        if (i > first) {
            joined += ' ';
        }
        joined += tokens_[i];
    }
    return joined;
}

} // namespace fenlark::q3match
