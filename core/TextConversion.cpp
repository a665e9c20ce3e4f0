#include "core/TextConversion.h"

#include <cstdint>

namespace fenlark {

namespace {

constexpr unsigned char FirstNonAscii = 0x80;
constexpr unsigned char TwoByteLead = 0xC0;
constexpr unsigned char ThreeByteLead = 0xE0;
constexpr unsigned char FourByteLead = 0xF0;
constexpr unsigned TwoBytePayload = 0x1F;
constexpr unsigned ThreeBytePayload = 0x0F;
constexpr unsigned ContinuationMask = 0xC0;
constexpr unsigned ContinuationPayload = 0x3F;
constexpr unsigned BitsPerContinuation = 6;
constexpr unsigned LastLatin1 = 0xFF;

std::size_t SequenceLength(unsigned char lead) {
    if (lead >= FourByteLead) {
        return 4;
    }
    if (lead >= ThreeByteLead) {
        return 3;
    }
    return lead >= TwoByteLead ? 2 : 1;
}

} // namespace

std::string Utf8ToLatin1(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < FirstNonAscii) {
            result += static_cast<char>(lead);
            ++i;
            continue;
        }
        const std::size_t length = SequenceLength(lead);
        unsigned code = length == 2   ? (lead & TwoBytePayload)
                        : length == 3 ? (lead & ThreeBytePayload)
                                      : 0U;
        bool valid = length > 1 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & ContinuationMask) == FirstNonAscii;
            code = (code << BitsPerContinuation) | (next & ContinuationPayload);
        }
        result += valid && code <= LastLatin1 ? static_cast<char>(code) : '?';
        i += valid ? length : 1;
    }
    return result;
}

std::string Latin1ToUtf8(std::string_view bytes) {
    std::string result;
    result.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < FirstNonAscii) {
            result += c;
        } else {
            result += static_cast<char>(TwoByteLead | (byte >> BitsPerContinuation));
            result += static_cast<char>(FirstNonAscii | (byte & ContinuationPayload));
        }
    }
    return result;
}

} // namespace fenlark
