#pragma once
// Splitting a Warsow server command ("cs 5 \"Map title\"", "scb \"...\"")
// into its words the way the game does: words are runs of printable
// characters, a quoted word runs to the next quote (newlines included), "//"
// and "/* */" outside quotes are comments, and a newline outside quotes ends
// the command.

#include <string_view>
#include <vector>

namespace fenlark::readers::warsow {

// At most `maxWords` words; the views point into `text`.
std::vector<std::string_view> SplitCommand(std::string_view text, std::size_t maxWords = 64);

} // namespace fenlark::readers::warsow
