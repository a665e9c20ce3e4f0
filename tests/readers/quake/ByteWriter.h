#pragma once
// Little-endian bytes for crafted demos in the tests of the Quake-family
// readers.

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace fenlark::readers::testing {

struct ByteWriter {
    std::vector<std::uint8_t> bytes;

    ByteWriter& u8(unsigned value) {
        bytes.push_back(static_cast<std::uint8_t>(value));
        return *this;
    }
    ByteWriter& u16(unsigned value) { return u8(value & 0xff).u8((value >> 8) & 0xff); }
    ByteWriter& u32(std::uint32_t value) { return u16(value & 0xffff).u16(value >> 16); }
    ByteWriter& i32(std::int32_t value) { return u32(static_cast<std::uint32_t>(value)); }
    ByteWriter& f32(float value) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        return u32(bits);
    }
    // The text and its terminating zero.
    ByteWriter& str(std::string_view text) {
        bytes.insert(bytes.end(), text.begin(), text.end());
        return u8(0);
    }
    ByteWriter& raw(const std::vector<std::uint8_t>& more) {
        bytes.insert(bytes.end(), more.begin(), more.end());
        return *this;
    }
    ByteWriter& zeros(std::size_t count) {
        bytes.insert(bytes.end(), count, 0);
        return *this;
    }
};

} // namespace fenlark::readers::testing
