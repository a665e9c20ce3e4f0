#include "readers/source/SourceChat.h"

#include "readers/source/SourceText.h"

namespace fenlark::readers::source {

namespace {

constexpr std::size_t MaxChatBytes = 1024;

// A localisation token: letters, digits and '_', maybe after a '#'.
bool LooksLikeToken(std::string_view name) {
    if (name.starts_with('#')) {
        name.remove_prefix(1);
    }
    if (name.empty()) {
        return false;
    }
    for (const char c : name) {
        const bool word =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        if (!word) {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<ChatMessageNumbers> ChatNumbersForGame(std::string_view gameDirectory) {
    if (gameDirectory == "tf" || gameDirectory == "hl2mp") {
        return ChatMessageNumbers{3, 4};
    }
    return std::nullopt;
}

std::optional<ChatMessage> DecodeSayText2(BitReader data) {
    ChatMessage message;
    message.client = data.u8();
    data.skip(8); // chat flag
    const std::string name = data.string(MaxChatBytes);
    std::string parameters[2];
    for (auto& parameter : parameters) {
        if (data.remaining() >= 8) {
            parameter = data.string(MaxChatBytes);
        }
    }
    if (data.overrun()) {
        return std::nullopt;
    }
    const std::string_view token = std::string_view(name).substr(name.starts_with('#') ? 1 : 0);
    if (token.find("_Chat_") != std::string_view::npos) {
        message.team = token.find("_Chat_Team") != std::string_view::npos;
        message.sender = WithoutChatColours(parameters[0]);
        message.text = WithoutChatColours(parameters[1]);
        return message;
    }
    // Other tokens (name changes, votes, ...) are notices, not chat.
    if (LooksLikeToken(name)) {
        return std::nullopt;
    }
    message.text = WithoutChatColours(name);
    return message;
}

std::optional<ChatMessage> DecodeSayText(BitReader data) {
    ChatMessage message;
    message.client = data.u8();
    const std::string text = data.string(MaxChatBytes);
    if (data.overrun() || message.client == 0) {
        return std::nullopt;
    }
    message.text = WithoutChatColours(text);
    return message;
}

std::string WithoutSenderPrefix(const std::string& text, const std::string& sender) {
    if (sender.empty()) {
        return text;
    }
    const auto at = text.find(sender);
    if (at == std::string::npos) {
        return text;
    }
    std::size_t next = at + sender.size();
    while (next < text.size() && text[next] == ' ') {
        ++next;
    }
    if (next >= text.size() || text[next] != ':') {
        return text;
    }
    ++next;
    while (next < text.size() && text[next] == ' ') {
        ++next;
    }
    return text.substr(next);
}

} // namespace fenlark::readers::source
