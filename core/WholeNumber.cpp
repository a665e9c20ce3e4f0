#include "core/WholeNumber.h"

#include "core/Trim.h"

#include <cfenv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace fenlark {

namespace {

constexpr std::size_t MaxShortHexDigits = 4;
constexpr std::size_t MaxHexDigits = 8;
constexpr unsigned BitsPerHexDigit = 4;
// Beyond this a double no longer holds every whole number of the range.
constexpr double LargestConvertible = 9.0e18;

bool IsBlank(char c) {
    return Blanks.find(c) != std::string_view::npos;
}

// "&H" followed by 1 to 8 hexadecimal digits; up to four digits read as a
// 16-bit value and more as a 32-bit one, both signed (so "&HFFFF" is -1).
std::optional<std::int64_t> ConvertHex(std::string_view digits) {
    if (digits.empty() || digits.size() > MaxHexDigits) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (char c : digits) {
        const int digit = HexDigitValue(c);
        if (digit < 0) {
            return std::nullopt;
        }
        value = (value << BitsPerHexDigit) | static_cast<std::uint32_t>(digit);
    }
    if (digits.size() <= MaxShortHexDigits) {
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
    }
    return static_cast<std::int32_t>(value);
}

// Decimal: sign, blanks between sign and digits, digits with an optional
// fraction and exponent. Returns the value rounded half to even.
std::optional<std::int64_t> ConvertDecimal(std::string_view text) {
    std::string number;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        number += text[i++];
        while (i < text.size() && IsBlank(text[i])) {
            ++i;
        }
    }
    bool digits = false;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        number += text[i++];
        digits = true;
    }
    if (i < text.size() && text[i] == '.') {
        number += text[i++];
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            number += text[i++];
            digits = true;
        }
    }
    if (!digits) {
        return std::nullopt;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        number += text[i++];
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            number += text[i++];
        }
        bool exponentDigits = false;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            number += text[i++];
            exponentDigits = true;
        }
        if (!exponentDigits) {
            return std::nullopt;
        }
    }
    if (i != text.size()) {
        return std::nullopt;
    }
    char* end = nullptr;
    const double value = std::strtod(number.c_str(), &end);
    if (end == nullptr || *end != '\0' || !std::isfinite(value) ||
        std::fabs(value) > LargestConvertible) {
        return std::nullopt;
    }
    // nearbyint rounds in the current mode, which is to nearest, ties to even.
    return static_cast<std::int64_t>(std::nearbyint(value));
}

} // namespace

int HexDigitValue(char c) {
    constexpr int DecimalDigits = 10;
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + DecimalDigits;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + DecimalDigits;
    }
    return -1;
}

std::optional<std::int64_t> ConvertWholeNumber(std::string_view text, std::int64_t min,
                                               std::int64_t max) {
    text = Trim(text, Blanks);
    if (text.empty()) {
        return std::nullopt;
    }
    std::optional<std::int64_t> value;
    if (text.size() > 2 && text[0] == '&' && (text[1] == 'H' || text[1] == 'h')) {
        value = ConvertHex(text.substr(2));
    } else {
        value = ConvertDecimal(text);
    }
    if (!value || *value < min || *value > max) {
        return std::nullopt;
    }
    return value;
}

} // namespace fenlark
