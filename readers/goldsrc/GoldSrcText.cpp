#include "readers/goldsrc/GoldSrcText.h"

#include <array>
#include <cstdint>

namespace fenlark::readers::goldsrc {

namespace {

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<std::uint8_t>(text[i]);
        std::size_t length = 0;
        std::uint32_t minimum = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xe0) == 0xc0) {
            length = 2;
            minimum = 0x80;
        } else if ((lead & 0xf0) == 0xe0) {
            length = 3;
            minimum = 0x800;
        } else if ((lead & 0xf8) == 0xf0) {
            length = 4;
            minimum = 0x10000;
        } else {
            return false;
        }
        if (i + length > text.size()) {
            return false;
        }
        std::uint32_t code = lead & (0x7fu >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<std::uint8_t>(text[i + k]);
            if ((next & 0xc0) != 0x80) {
                return false;
            }
            code = code << 6 | (next & 0x3fu);
        }
        if (code < minimum || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff)) {
            return false;
        }
        i += length;
    }
    return true;
}

void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xc0 | code >> 6));
        out.push_back(static_cast<char>(0x80 | (code & 0x3f)));
    } else {
        out.push_back(static_cast<char>(0xe0 | code >> 12));
        out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3f)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3f)));
    }
}

// Windows-1252 bytes 0x80 to 0x9f; the five unassigned ones map to U+FFFD.
constexpr std::array<std::uint16_t, 32> Windows1252High = {
    0x20ac, 0xfffd, 0x201a, 0x0192, 0x201e, 0x2026, 0x2020, 0x2021, 0x02c6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xfffd, 0x017d, 0xfffd, 0xfffd, 0x2018, 0x2019, 0x201c, 0x201d, 0x2022,
    0x2013, 0x2014, 0x02dc, 0x2122, 0x0161, 0x203a, 0x0153, 0xfffd, 0x017e, 0x0178};

bool IsControl(std::uint8_t byte) {
    return byte < 0x20 || byte == 0x7f;
}

} // namespace

std::string DisplayText(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    if (IsValidUtf8(bytes)) {
        for (const char c : bytes) {
            if (!IsControl(static_cast<std::uint8_t>(c))) {
                out.push_back(c);
            }
        }
        return out;
    }
    for (const char c : bytes) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (IsControl(byte)) {
            continue;
        }
        if (byte >= 0x80 && byte <= 0x9f) {
            AppendUtf8(out, Windows1252High[byte - 0x80u]);
        } else {
            AppendUtf8(out, byte);
        }
    }
    return out;
}

std::vector<std::pair<std::string_view, std::string_view>> InfoPairs(std::string_view info) {
    std::vector<std::pair<std::string_view, std::string_view>> pairs;
    if (info.starts_with('\\')) {
        info.remove_prefix(1);
    }
    while (!info.empty()) {
        const auto keyEnd = info.find('\\');
        const std::string_view key = info.substr(0, keyEnd);
        if (keyEnd == std::string_view::npos) {
            pairs.emplace_back(key, std::string_view());
            break;
        }
        info.remove_prefix(keyEnd + 1);
        const auto valueEnd = info.find('\\');
        pairs.emplace_back(key, info.substr(0, valueEnd));
        if (valueEnd == std::string_view::npos) {
            break;
        }
        info.remove_prefix(valueEnd + 1);
    }
    return pairs;
}

std::optional<std::string_view> InfoValue(std::string_view info, std::string_view key) {
    for (const auto& [name, value] : InfoPairs(info)) {
        if (name == key) {
            return value;
        }
    }
    return std::nullopt;
}

} // namespace fenlark::readers::goldsrc
