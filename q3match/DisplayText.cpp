#include "q3match/DisplayText.h"

#include <array>
#include <cstdint>

namespace fenlark::q3match {
namespace {

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool IsExtendedColour(std::string_view text, std::size_t at) {
    if (at + 8 > text.size() || (text[at + 1] != 'x' && text[at + 1] != 'X')) {
        return false;
    }
    for (std::size_t i = at + 2; i < at + 8; ++i) {
        if (!IsHexDigit(text[i])) {
            return false;
        }
    }
    return true;
}

// Code points of bytes 0x80 to 0x9F in Windows-1252; 0 where the code page
// leaves the byte undefined.
constexpr std::array<std::uint16_t, 32> Cp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

void AppendUtf8(std::string& out, std::uint32_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

// Length of the well-formed UTF-8 sequence at `at`, or 0.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    std::uint32_t minimum = 0;
    std::uint32_t value = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        minimum = 0x80;
        value = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        minimum = 0x800;
        value = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        minimum = 0x10000;
        value = lead & 0x07u;
    } else {
        return 0;
    }
    if (at + length > text.size()) {
        return 0;
    }
    for (std::size_t i = at + 1; i < at + length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return 0;
        }
        value = (value << 6) | (byte(i) & 0x3Fu);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return 0;
    }
    return length;
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        const std::size_t length = Utf8SequenceLength(text, i);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

} // namespace

std::string StripColourCodes(std::string_view text, bool utf8) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '^' && i + 1 < text.size() && text[i + 1] != '^' && text[i + 1] != '\0' &&
            !(utf8 && static_cast<unsigned char>(text[i + 1]) >= 0x80)) {
            i += IsExtendedColour(text, i) ? 7u : 1u;
            continue;
        }
        out += text[i];
    }
    return out;
}

std::string DisplayText(std::string_view bytes, bool utf8) {
    const std::string plain = StripColourCodes(bytes, utf8);
    std::string out;
    out.reserve(plain.size());
    const bool keepUtf8 = utf8 && IsValidUtf8(plain);
    for (const char c : plain) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            continue;
        }
        if (byte < 0x80 || keepUtf8) {
            out += c;
        } else if (byte < 0xA0) {
            const std::uint16_t codePoint = Cp1252High[byte - 0x80];
            AppendUtf8(out, codePoint != 0 ? codePoint : 0xFFFD);
        } else {
            AppendUtf8(out, byte);
        }
    }
    return out;
}

} // namespace fenlark::q3match
