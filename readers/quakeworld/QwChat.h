#pragma once
// Chat lines of QuakeWorld servers (svc_print at the chat level):
// "name: text" to everybody, "(name): text" to the team, "[SPEC] name: text"
// among spectators. The sender is only taken from the names of the clients
// present, as a client does, so that server messages printed at the chat
// level are not mistaken for chat.

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace fenlark::readers::quakeworld {

struct QwChatLine {
    std::string_view sender; // raw name
    std::string_view text;   // raw text after the sender
    bool team = false;
};

// `line` without its line break; `names` the raw names of the clients.
std::optional<QwChatLine> SplitQwChat(std::string_view line, std::span<const std::string> names);

// The text as a reader shows it: the teamplay marker byte and the colour
// markup of modern clients ("&cRGB", "&r", "{...}" around uncoloured parts)
// removed, converted to UTF-8.
std::string CleanQwChatText(std::string_view raw);

} // namespace fenlark::readers::quakeworld
