#pragma once
// Text clean-up: replace-all with trailing characters, and one pass of
// colour-code removal ("^1", "^x" plus six characters, ...).

#include <string>

namespace fenlark {

// Replaces every occurrence of `search` together with the `extraCount`
// characters after it by `replacement`, searching again from the start after
// each replacement. `search` must not be empty and `replacement` must not
// contain it. Changes `text` in place and returns it.
std::string& ReplaceText(std::string& text, const std::string& search,
                         const std::string& replacement, std::size_t extraCount);

// One pass of colour-code removal. Changes `text` in place and returns it.
std::string& StripColorCodes(std::string& text);

} // namespace fenlark
