#pragma once
// Conversion of definition and probe text to whole numbers: decimal digits
// with optional blanks, sign, fraction and exponent, or hexadecimal with the
// prefix "&H". A fraction rounds to the nearest whole number, halves to the
// even one.

#include <cstdint>
#include <optional>
#include <string_view>

namespace fenlark {

// The value of one hexadecimal digit (either case), or -1.
int HexDigitValue(char c);

// std::nullopt when the text is not a number or lies outside [min, max].
std::optional<std::int64_t> ConvertWholeNumber(std::string_view text, std::int64_t min,
                                               std::int64_t max);

inline std::optional<std::int32_t> ConvertInt32(std::string_view text) {
    auto value = ConvertWholeNumber(text, INT32_MIN, INT32_MAX);
    if (!value) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(*value);
}

inline std::optional<std::int16_t> ConvertInt16(std::string_view text) {
    auto value = ConvertWholeNumber(text, INT16_MIN, INT16_MAX);
    if (!value) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(*value);
}

} // namespace fenlark
