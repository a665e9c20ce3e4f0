#include "core/TextConversion.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

namespace fenlark {

namespace {

constexpr unsigned char FirstNonAscii = 0x80;
constexpr unsigned char TwoByteLead = 0xC0;
constexpr unsigned char ThreeByteLead = 0xE0;
constexpr unsigned ContinuationPayload = 0x3F;

// The code points of the bytes 0x80-0x9F in Windows-1252; the undefined
// bytes keep their own number.
constexpr std::array<char16_t, 32> Windows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
constexpr unsigned char FirstAfterHighTable = 0xA0;
constexpr unsigned TwoByteLimit = 0x800;
constexpr unsigned SixBits = 6;
constexpr unsigned TwelveBits = 12;

void AppendUtf8(std::string& out, unsigned code) {
    if (code < FirstNonAscii) {
        out += static_cast<char>(code);
    } else if (code < TwoByteLimit) {
        out += static_cast<char>(TwoByteLead | (code >> SixBits));
        out += static_cast<char>(FirstNonAscii | (code & ContinuationPayload));
    } else {
        out += static_cast<char>(ThreeByteLead | (code >> TwelveBits));
        out += static_cast<char>(FirstNonAscii | ((code >> SixBits) & ContinuationPayload));
        out += static_cast<char>(FirstNonAscii | (code & ContinuationPayload));
    }
}

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

} // namespace

std::size_t Utf8SequenceLength(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < FirstNonAscii) {
        return 1;
    }
    // The ranges of well-formed sequences: the second byte's bounds exclude
    // overlong forms, surrogates and code points past U+10FFFF.
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : low;
        high = lead == 0xED ? 0x9F : high;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high;
    } else {
        return 0;
    }
    if (at + length > text.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[at + k]);
        if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) {
            return 0;
        }
    }
    return length;
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8SequenceLength(text, i);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
    std::string result;
    result.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < FirstNonAscii) {
            result += c;
        } else if (byte < FirstAfterHighTable) {
            AppendUtf8(result, Windows1252High[byte - FirstNonAscii]);
        } else {
            AppendUtf8(result, byte);
        }
    }
    return result;
}

std::string DefinitionTextToUtf8(std::string_view fileBytes) {
    if (fileBytes.starts_with(ByteOrderMark)) {
        fileBytes.remove_prefix(ByteOrderMark.size());
    }
    if (IsValidUtf8(fileBytes)) {
        return std::string(fileBytes);
    }
    return Windows1252ToUtf8(fileBytes);
}

#ifdef _WIN32
std::wstring Utf8ToWide(std::string_view text) {
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) {
        return {};
    }
    const int bytes = static_cast<int>(text.size());
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), bytes, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
    if (length > 0) {
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), bytes, wide.data(), length);
    }
    return wide;
}

std::string WideToUtf8(std::wstring_view text) {
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) {
        return {};
    }
    const int units = static_cast<int>(text.size());
    const int length =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), units, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(std::max(length, 0)), '\0');
    if (length > 0) {
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), units, narrow.data(), length, nullptr,
                              nullptr);
    }
    return narrow;
}
#endif

} // namespace fenlark
