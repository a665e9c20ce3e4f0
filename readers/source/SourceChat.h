#pragma once
// Chat in Source demos: the SayText and SayText2 user messages. User message
// numbers are not in the demo; they follow the order in which the game
// registers its messages, so chat is decoded only for games whose numbers
// were checked on real demos (Team Fortress 2 and Half-Life 2: Deathmatch:
// SayText 3, SayText2 4).

#include "readers/source/BitReader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fenlark::readers::source {

struct ChatMessageNumbers {
    std::uint32_t sayText = 0;
    std::uint32_t sayText2 = 0;
};

// The chat message numbers of the game in `gameDirectory`, when known.
std::optional<ChatMessageNumbers> ChatNumbersForGame(std::string_view gameDirectory);

struct ChatMessage {
    std::uint32_t client = 0; // entity number of the sender (0 = server)
    bool team = false;        // team chat
    std::string sender;       // the sender's name when the message names it
    std::string text;         // display text, colour codes removed
};

// SayText2: client (byte), chat flag (byte), a message name, then up to four
// parameters. A localisation token with "_Chat_" (TF_Chat_All, TF_Chat_Team,
// HL2MP_Chat_AllDead, ...) takes the sender and the text as its first two
// parameters; any other first string is text already formatted by the server
// (and plug-ins), which then usually starts with the sender's name.
// std::nullopt for messages that are not chat (name changes and other
// notices) or damaged ones.
std::optional<ChatMessage> DecodeSayText2(BitReader data);

// SayText: client (byte), text, chat flag (byte). Only messages from a
// player (client > 0) count as chat; client 0 is the server's notices.
std::optional<ChatMessage> DecodeSayText(BitReader data);

// Formatted chat text without a leading "... <sender> :" prefix, when the
// text starts so; otherwise the text unchanged.
std::string WithoutSenderPrefix(const std::string& text, const std::string& sender);

} // namespace fenlark::readers::source
