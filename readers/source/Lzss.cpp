#include "readers/source/Lzss.h"

#include <algorithm>
#include <cstring>

namespace fenlark::readers::source {

std::optional<std::vector<std::uint8_t>> LzssDecompress(std::span<const std::uint8_t> data,
                                                        std::size_t limit) {
    constexpr std::size_t HeaderSize = 8;
    if (data.size() < HeaderSize || std::memcmp(data.data(), "LZSS", 4) != 0) {
        return std::nullopt;
    }
    const std::size_t size = std::size_t{data[4]} | std::size_t{data[5]} << 8 |
                             std::size_t{data[6]} << 16 | std::size_t{data[7]} << 24;
    if (size > limit) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> out;
    out.reserve(size);
    std::size_t in = HeaderSize;
    while (in < data.size()) {
        const std::uint8_t flags = data[in++];
        for (int item = 0; item < 8; ++item) {
            if ((flags >> item & 1) == 0) {
                if (in >= data.size() || out.size() >= size) {
                    return std::nullopt;
                }
                out.push_back(data[in++]);
                continue;
            }
            if (in + 2 > data.size()) {
                return std::nullopt;
            }
            const std::size_t distance = (std::size_t{data[in]} << 4 | data[in + 1] >> 4) + 1;
            const std::size_t length = (data[in + 1] & 0x0f) + 1u;
            in += 2;
            if (length == 1) {
                if (out.size() != size) {
                    return std::nullopt;
                }
                return out;
            }
            if (distance > out.size() || out.size() + length > size) {
                return std::nullopt;
            }
            // The source may overlap what is being written: copy byte by byte.
            const std::size_t from = out.size() - distance;
            for (std::size_t i = 0; i < length; ++i) {
                out.push_back(out[from + i]);
            }
        }
    }
    // Data that ends without the end marker is damaged.
    return std::nullopt;
}

} // namespace fenlark::readers::source
