#include "q3match/ChatLine.h"

#include "q3match/InfoString.h"

#include <string_view>

namespace fenlark::q3match {
namespace {

constexpr char Escape = '\x19';

std::string WithoutEscapes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c != Escape) {
            out += c;
        }
    }
    return out;
}

// "(NAME^7) (LOCATION)" or "[NAME^7]" gives NAME.
std::string NameInBrackets(const std::string& prefix) {
    if (prefix.empty() || (prefix.front() != '(' && prefix.front() != '[')) {
        return prefix;
    }
    const char close = prefix.front() == '(' ? ')' : ']';
    const std::string whiteClose = std::string("^7") + close;
    std::size_t end = prefix.find(whiteClose, 1);
    if (end == std::string::npos) {
        end = prefix.find(close, 1);
        if (end == std::string::npos) {
            return prefix.substr(1);
        }
    }
    return prefix.substr(1, end - 1);
}

// Splits "PREFIX: TEXT". The escape character marks the separator where the
// game writes it; otherwise the first ": " after a white colour code, or the
// first ": " at all.
bool SplitSender(std::string_view line, std::string& prefix, std::string& text) {
    std::size_t separator = line.find("\x19: ");
    if (separator == std::string_view::npos) {
        separator = line.find("^7: ");
        if (separator != std::string_view::npos) {
            separator += 2;
        } else {
            separator = line.find(": ");
        }
    }
    if (separator == std::string_view::npos) {
        return false;
    }
    prefix = WithoutEscapes(line.substr(0, separator));
    const std::size_t textStart = line[separator] == Escape ? separator + 3 : separator + 2;
    text = WithoutEscapes(line.substr(textStart));
    return true;
}

} // namespace

std::optional<RawChatLine> ReadChatLine(const CommandTokens& tokens, const GameRules& rules) {
    const std::string_view name = tokens[0];
    RawChatLine chat;
    if (name == "mm2" && rules.game == Game::Cpma) {
        chat.team = true;
        chat.senderClient = ParseNumber(tokens[1]);
        chat.text = std::string(tokens[3]);
        return chat;
    }
    if (name != "chat" && name != "tchat") {
        return std::nullopt;
    }
    chat.team = name == "tchat";
    std::string_view line = tokens[1];
    if (rules.chatClientPrefix && line.size() >= 3 && line[0] >= '0' && line[0] <= '9' &&
        line[1] >= '0' && line[1] <= '9' && line[2] == ' ') {
        chat.senderClient = (line[0] - '0') * 10 + (line[1] - '0');
        line.remove_prefix(3);
    }
    std::string prefix;
    if (SplitSender(line, prefix, chat.text)) {
        chat.sender = NameInBrackets(prefix);
    } else {
        chat.text = WithoutEscapes(line);
    }
    return chat;
}

} // namespace fenlark::q3match
