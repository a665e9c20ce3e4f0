#pragma once
// Joins printed pieces into console lines, as the console of a Quake-family
// client does: game code often prints one line in several messages (a name,
// then the rest), and one message can hold several lines.

#include <string>
#include <string_view>

namespace fenlark::readers {

class ConsoleLines {
public:
    // A longer line is dropped: no message of interest is that long.
    static constexpr std::size_t MaxLine = 4096;

    // Calls `each(line)` for every line that `piece` completes, without its
    // line break.
    template <class Each> void add(std::string_view piece, Each&& each) {
        while (!piece.empty()) {
            const auto end = piece.find('\n');
            if (end == std::string_view::npos) {
                if (pending_.size() + piece.size() > MaxLine) {
                    pending_.clear();
                    overlong_ = true;
                } else {
                    pending_.append(piece);
                }
                return;
            }
            const std::string_view rest = piece.substr(0, end);
            if (!overlong_ && pending_.empty()) {
                each(rest);
            } else if (!overlong_ && pending_.size() + rest.size() <= MaxLine) {
                pending_.append(rest);
                each(std::string_view(pending_));
            }
            pending_.clear();
            overlong_ = false;
            piece.remove_prefix(end + 1);
        }
    }

    // Forgets a started line (the client begins a new one on its own, as it
    // does when a level starts).
    void breakLine() {
        pending_.clear();
        overlong_ = false;
    }

private:
    std::string pending_;
    bool overlong_ = false;
};

} // namespace fenlark::readers
