#pragma once
// Splits the text of a server command into arguments the way the engine's
// command tokenizer does: blanks separate arguments, a double quote starts an
// argument that runs to the next double quote (or the end), "//" ends the
// line and "/* ... */" is skipped.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace fenlark::q3match {

class CommandTokens {
public:
    // The engine keeps at most this many arguments.
    static constexpr std::size_t MaxTokens = 1024;

    // Tokenizes `text`; the views point into `text`, which must outlive them.
    void tokenize(std::string_view text);

    std::size_t count() const { return tokens_.size(); }
    // Argument `index`, or "" past the last one.
    std::string_view operator[](std::size_t index) const {
        return index < tokens_.size() ? tokens_[index] : std::string_view{};
    }
    // Arguments from `first` on, joined by single blanks.
    std::string joinFrom(std::size_t first) const;

private:
    std::vector<std::string_view> tokens_;
};

} // namespace fenlark::q3match
