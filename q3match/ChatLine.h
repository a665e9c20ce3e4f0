#pragma once
// Chat lines from the chat commands of the server: "chat" and "tchat" carry
// the sender's name and the text in one string, "NAME^7" + escape + ": " +
// colour + TEXT (the escape character 0x19 is missing in some mods); Quake
// Live puts the sender's client number first ("06 NAME..."); team lines put
// the name in parentheses and may add the location. CPMA sends team chat as
// "mm2 CLIENT LOCATION TEXT".

#include "q3match/CommandTokens.h"
#include "q3match/GameRules.h"

#include <optional>
#include <string>

namespace fenlark::q3match {

struct RawChatLine {
    bool team = false;
    std::string sender; // raw bytes with colour codes; "" for server messages
    std::string text;   // raw bytes with colour codes
    std::optional<int> senderClient;
};

// The chat line of the command in `tokens`, or std::nullopt when the command
// is not a chat command.
std::optional<RawChatLine> ReadChatLine(const CommandTokens& tokens, const GameRules& rules);

} // namespace fenlark::q3match
