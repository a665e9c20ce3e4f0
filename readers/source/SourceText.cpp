#include "readers/source/SourceText.h"

#include <cstdint>

namespace fenlark::readers::source {

namespace {

// Length of the valid UTF-8 sequence at the start of `text`, or 0.
std::size_t SequenceLength(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const auto continuation = [&](std::size_t i) {
        return i < text.size() && (byte(i) & 0xc0) == 0x80;
    };
    const std::uint8_t lead = byte(0);
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xc2 && lead <= 0xdf) {
        return continuation(1) ? 2 : 0;
    }
    if (lead >= 0xe0 && lead <= 0xef) {
        if (!continuation(1) || !continuation(2)) {
            return 0;
        }
        // No overlong forms, no UTF-16 surrogates.
        if ((lead == 0xe0 && byte(1) < 0xa0) || (lead == 0xed && byte(1) >= 0xa0)) {
            return 0;
        }
        return 3;
    }
    if (lead >= 0xf0 && lead <= 0xf4) {
        if (!continuation(1) || !continuation(2) || !continuation(3)) {
            return 0;
        }
        // No overlong forms, nothing above U+10FFFF.
        if ((lead == 0xf0 && byte(1) < 0x90) || (lead == 0xf4 && byte(1) >= 0x90)) {
            return 0;
        }
        return 4;
    }
    return 0;
}

constexpr std::string_view Replacement = "\xef\xbf\xbd";

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Hex digits following a colour code at `at`, when all `count` are there.
bool HexDigitsFollow(std::string_view text, std::size_t at, std::size_t count) {
    if (at + count > text.size()) {
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (!IsHexDigit(text[at + i])) {
            return false;
        }
    }
    return true;
}

std::string Trimmed(std::string text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

} // namespace

std::string ValidUtf8(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    while (!bytes.empty()) {
        const std::size_t length = SequenceLength(bytes);
        if (length == 0) {
            text += Replacement;
            bytes.remove_prefix(1);
        } else {
            text += bytes.substr(0, length);
            bytes.remove_prefix(length);
        }
    }
    return text;
}

std::string DisplayText(std::string_view bytes) {
    std::string text = ValidUtf8(bytes);
    std::erase_if(text, [](char c) {
        const auto byte = static_cast<std::uint8_t>(c);
        return byte < 0x20 || byte == 0x7f;
    });
    return text;
}

std::string WithoutChatColours(std::string_view bytes) {
    std::string plain;
    plain.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\x07' && HexDigitsFollow(bytes, i + 1, 6)) {
            i += 6;
        } else if (c == '\x08' && HexDigitsFollow(bytes, i + 1, 8)) {
            i += 8;
        } else {
            plain.push_back(c);
        }
    }
    return Trimmed(DisplayText(plain));
}

} // namespace fenlark::readers::source
