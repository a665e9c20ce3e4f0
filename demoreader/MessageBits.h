#pragma once
// Reading one server message as a bit stream.
//
// Bits are taken from the least significant bit of each byte upwards. A value
// of N bits is read as N mod 8 raw bits (the low bits of the value) followed by
// N div 8 Huffman-coded bytes, lowest byte first; the old uncompressed
// protocols read all N bits raw. Nothing is aligned to bytes.
//
// The reader never looks past `Slack` bytes beyond the message: every read
// loads 8 bytes at the current byte, and the decoders of this library check
// for the end of the message often enough that the position never runs more
// than `MaxOverrunBits` past the end (a run of unchanged-field bits and one
// float at most). The owner of the buffer keeps `Slack` zero bytes after the
// message.

#include "demoreader/Huffman.h"

#include <bit>
#include <cassert>
#include <cstdint>
#include <cstring>

namespace fenlark::demoreader {

class MessageBits {
public:
    static constexpr std::uint32_t Slack = 32;
    // How far past the end a decoder may run before it checks for the end.
    static constexpr std::uint32_t MaxOverrunBits = 160;
    static_assert(MaxOverrunBits / 8 + 8 <= Slack);

    void reset(const std::uint8_t* data, std::uint32_t lengthBytes) {
        data_ = data;
        position_ = 0;
        end_ = lengthBytes * 8u;
    }

    std::uint32_t position() const { return position_; }
    std::uint32_t endPosition() const { return end_; }
    // The engine's rule: a message is exhausted once a read has reached its
    // last bit, i.e. when the byte count read so far exceeds the length.
    bool exhausted() const { return position_ >= end_; }
    // Ends the message: every later typed read gives -1.
    void exhaust() { position_ = end_; }
    void alignToByte() { position_ = (position_ + 7u) & ~7u; }

    // The next 57 or more bits of the stream, first stream bit in bit 0.
    std::uint64_t peek() const {
        assert(position_ <= end_ + MaxOverrunBits);
        const std::uint8_t* at = data_ + (position_ >> 3);
        std::uint64_t word;
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(&word, at, sizeof word);
        } else {
            word = 0;
            for (int i = 7; i >= 0; --i) {
                word = word << 8 | at[i];
            }
        }
        return word >> (position_ & 7u);
    }
    void skip(std::uint32_t bits) { position_ += bits; }

    bool bit() {
        const bool value = (data_[position_ >> 3] >> (position_ & 7u)) & 1u;
        ++position_;
        return value;
    }

    // `count` raw bits, 0 <= count <= 32.
    std::uint32_t raw(unsigned count) {
        const std::uint64_t value = peek() & ((std::uint64_t{1} << count) - 1u);
        position_ += count;
        return static_cast<std::uint32_t>(value);
    }

    // One Huffman-coded symbol, 0..256.
    std::uint32_t symbol() {
        const std::uint32_t entry = HuffmanDecode.entries[peek() & 0x7FFu];
        position_ += entry >> 9;
        return entry & 0x1FFu;
    }

    // An unsigned value of `count` bits, 1 <= count <= 32, coded (Huffman) or
    // raw. The escape symbol spills into the next byte as it does in the engine
    // and is then cut off at the width.
    template <bool Coded> std::uint32_t bits(unsigned count) {
        if constexpr (!Coded) {
            return raw(count);
        } else {
            const unsigned rawCount = count & 7u;
            std::uint64_t value = rawCount != 0 ? raw(rawCount) : 0u;
            for (unsigned shift = rawCount; shift < count; shift += 8) {
                value |= std::uint64_t{symbol()} << shift;
            }
            return static_cast<std::uint32_t>(value & ((std::uint64_t{1} << count) - 1u));
        }
    }

    // A signed value of `count` bits (sign taken from the top bit).
    template <bool Coded> std::int32_t signedBits(unsigned count) {
        const std::uint32_t value = bits<Coded>(count);
        const std::uint32_t sign = std::uint32_t{1} << (count - 1);
        return static_cast<std::int32_t>((value ^ sign) - sign);
    }

private:
    const std::uint8_t* data_ = nullptr;
    std::uint32_t position_ = 0;
    std::uint32_t end_ = 0;
};

} // namespace fenlark::demoreader
