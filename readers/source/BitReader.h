#pragma once
// Reading values bit by bit, least significant bit first, out of bytes held in
// memory: the packing of network messages in the Valve engines. A read past
// the end gives 0 (or an empty string) and sets overrun(); callers check it
// once after a group of reads, so damaged data ends a message cleanly.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

namespace fenlark::readers {

class BitReader {
public:
    BitReader() = default;
    explicit BitReader(std::span<const std::uint8_t> bytes)
        : bytes_(bytes), position_(0), end_(bytes.size() * 8) {}

    // Positions and sizes are in bits.
    std::size_t position() const { return position_; }
    std::size_t end() const { return end_; }
    std::size_t remaining() const { return end_ - position_; }
    bool overrun() const { return overrun_; }
    bool byteAligned() const { return (position_ & 7) == 0; }

    // Up to 32 bits as an unsigned number.
    std::uint32_t bits(unsigned count) {
        if (count > remaining()) {
            fail();
            return 0;
        }
        if (count == 0) {
            return 0;
        }
        const std::uint64_t window = load(position_ >> 3);
        position_ += count;
        const std::uint64_t mask = (std::uint64_t{1} << count) - 1;
        return static_cast<std::uint32_t>((window >> ((position_ - count) & 7)) & mask);
    }
    bool bit() { return bits(1) != 0; }
    // A count-bit two's complement number, sign-extended.
    std::int32_t signedBits(unsigned count) {
        const std::uint32_t raw = bits(count);
        if (count == 0 || count >= 32) {
            return static_cast<std::int32_t>(raw);
        }
        const std::uint32_t sign = std::uint32_t{1} << (count - 1);
        return static_cast<std::int32_t>((raw ^ sign)) - static_cast<std::int32_t>(sign);
    }
    std::uint8_t u8() { return static_cast<std::uint8_t>(bits(8)); }
    std::uint16_t u16() { return static_cast<std::uint16_t>(bits(16)); }
    std::uint32_t u32() { return bits(32); }
    std::int32_t i32() { return static_cast<std::int32_t>(bits(32)); }
    float f32() {
        const std::uint32_t raw = bits(32);
        float value;
        std::memcpy(&value, &raw, sizeof value);
        return value;
    }
    // The variable-length 32-bit number: 7 bits a byte, high bit = more.
    std::uint32_t varInt32() {
        std::uint32_t result = 0;
        for (unsigned shift = 0; shift < 35; shift += 7) {
            const std::uint32_t byte = bits(8);
            result |= (byte & 0x7f) << shift;
            if ((byte & 0x80) == 0 || overrun_) {
                break;
            }
        }
        return result;
    }

    // The bytes up to the next zero byte, which is consumed. At most
    // `keep` bytes are kept; the rest of a longer string is read and dropped.
    // A string that runs to the end sets overrun().
    std::string string(std::size_t keep = 1024) {
        const std::size_t length = stringLength();
        if (length == NoTerminator) {
            std::string text = nextBytes(std::min(keep, remaining() / 8));
            fail();
            return text;
        }
        std::string text = nextBytes(std::min(keep, length));
        position_ += (length + 1) * 8 - text.size() * 8;
        return text;
    }
    // Skips a zero-terminated string.
    void skipString() {
        const std::size_t length = stringLength();
        if (length == NoTerminator) {
            fail();
            return;
        }
        position_ += (length + 1) * 8;
    }
    // Copies into.size() bytes from the current bit position.
    void bytes(std::span<std::uint8_t> into) {
        if (into.empty()) { // an empty span may have no storage to copy to
            return;
        }
        if (into.size() * 8 > remaining()) {
            fail();
            std::memset(into.data(), 0, into.size());
            return;
        }
        if (byteAligned()) {
            std::memcpy(into.data(), bytes_.data() + (position_ >> 3), into.size());
            position_ += into.size() * 8;
            return;
        }
        // Seven whole bytes per load at any bit offset.
        for (std::size_t done = 0; done < into.size();) {
            const std::uint64_t window = load(position_ >> 3) >> (position_ & 7);
            const std::size_t step = std::min(BytesPerLoad, into.size() - done);
            for (std::size_t k = 0; k < step; ++k) {
                into[done + k] = static_cast<std::uint8_t>(window >> (8 * k));
            }
            done += step;
            position_ += step * 8;
        }
    }

    void skip(std::size_t count) {
        if (count > remaining()) {
            fail();
            return;
        }
        position_ += count;
    }
    // Back (or forward) to a position this reader has or could have reached.
    void seek(std::size_t position) {
        if (position > end_) {
            fail();
            return;
        }
        position_ = position;
    }
    // The next `count` bits as a reader of their own; this reader moves past
    // them. Too few bits left sets overrun() here and gives an empty reader.
    BitReader take(std::size_t count) {
        if (count > remaining()) {
            fail();
            return {};
        }
        BitReader part;
        part.bytes_ = bytes_;
        part.position_ = position_;
        part.end_ = position_ + count;
        position_ += count;
        return part;
    }
    // The bytes of a byte-aligned reader from its position to its end, or an
    // empty span when it is not aligned or does not end on a byte.
    std::span<const std::uint8_t> alignedBytes() const {
        if (!byteAligned() || (end_ & 7) != 0) {
            return {};
        }
        return bytes_.subspan(position_ >> 3, (end_ - position_) >> 3);
    }

private:
    static constexpr std::size_t NoTerminator = static_cast<std::size_t>(-1);
    static constexpr std::size_t BytesPerLoad = 7; // whole bytes in one window at any bit offset
    static constexpr std::uint64_t TopByte = 0xFF00000000000000ULL;

    // True when one of the eight bytes of `value` is zero.
    static bool HasZeroByte(std::uint64_t value) {
        constexpr std::uint64_t Ones = 0x0101010101010101ULL;
        constexpr std::uint64_t Highs = 0x8080808080808080ULL;
        return ((value - Ones) & ~value & Highs) != 0;
    }

    // The number of bytes before the next zero byte from the current
    // position, NoTerminator when none comes before the end. Looks at seven
    // bytes per load instead of one.
    std::size_t stringLength() const {
        const std::size_t available = remaining() / 8;
        std::size_t at = position_;
        for (std::size_t counted = 0; counted < available;) {
            const std::uint64_t window = load(at >> 3) >> (at & 7);
            const std::size_t step = std::min(BytesPerLoad, available - counted);
            if (step == BytesPerLoad && !HasZeroByte(window | TopByte)) {
                counted += step;
                at += step * 8;
                continue;
            }
            for (std::size_t k = 0; k < step; ++k) {
                if (((window >> (8 * k)) & 0xFF) == 0) {
                    return counted + k;
                }
            }
            counted += step;
            at += step * 8;
        }
        return NoTerminator;
    }
    // The next `count` whole bytes (count * 8 bits must remain), moving past them.
    std::string nextBytes(std::size_t count) {
        std::string text(count, '\0');
        bytes({reinterpret_cast<std::uint8_t*>(text.data()), count});
        return text;
    }

    void fail() {
        overrun_ = true;
        position_ = end_;
    }
    // Eight bytes from `index` as a little-endian number; bytes past the end
    // of the buffer count as zero.
    std::uint64_t load(std::size_t index) const {
        std::uint64_t window = 0;
        if (index + 8 <= bytes_.size()) {
            if constexpr (std::endian::native == std::endian::little) {
                std::memcpy(&window, bytes_.data() + index, 8);
                return window;
            }
            for (std::size_t i = 0; i < 8; ++i) {
                window |= std::uint64_t{bytes_[index + i]} << (8 * i);
            }
            return window;
        }
        for (std::size_t i = 0; index + i < bytes_.size(); ++i) {
            window |= std::uint64_t{bytes_[index + i]} << (8 * i);
        }
        return window;
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
    std::size_t end_ = 0;
    bool overrun_ = false;
};

// floor(log2(value)), 0 for 0: the engines size entry indexes this way.
inline unsigned Log2Floor(std::uint32_t value) {
    return value == 0 ? 0 : static_cast<unsigned>(std::bit_width(value) - 1);
}

} // namespace fenlark::readers
