#pragma once
// Reading one server message as a bit stream.
//
// Bits are taken from the least significant bit of each byte upwards. A value
// of N bits is read as N mod 8 raw bits (the low bits of the value) followed by
// N div 8 Huffman-coded bytes, lowest byte first; the old uncompressed
// protocols read all N bits raw. Nothing is aligned to bytes.
//
// Bits are read through a 64-bit window refilled with whole bytes, so that a
// read costs a shift rather than a load. The reader never looks past `Slack`
// bytes beyond the message: the decoders of this library check for the end
// of the message often enough that the position never runs more than
// `MaxOverrunBits` past the end (a run of unchanged-field bits and one float
// at most), and a refill loads 8 bytes at most 8 bytes ahead. The owner of
// the buffer keeps `Slack` zero bytes after the message.

#include "demoreader/Huffman.h"

#include <bit>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace fenlark::demoreader {

// The widths of whole-byte values.
inline constexpr unsigned ByteBits = 8;
inline constexpr unsigned ShortBits = 16;
inline constexpr unsigned LongBits = 32;

// Forces a decoder into its caller, so that the caller's local copy of a
// MessageBits stays in registers through a whole snapshot.
#define FENLARK_DECODER_INLINE [[gnu::always_inline]] inline

// Compiles a function that runs a whole decoding loop (with the decoders
// inlined into it) twice: for every x86-64 processor, and for those with
// BMI2 and AVX2 (x86-64-v3), one of which is chosen once when the program
// loads. The bit reader's variable shifts then need no count register, which
// shortens the chain of dependent operations per code word. Elsewhere (other
// processors, other compilers, targets without load-time selection) the
// function is compiled once.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__ELF__)
#define FENLARK_DECODER_CLONES [[gnu::target_clones("default", "arch=x86-64-v3")]]
#else
#define FENLARK_DECODER_CLONES
#endif

class MessageBits {
public:
    static constexpr std::uint32_t Slack = 48;
    // How far past the end a decoder may run before it checks for the end.
    static constexpr std::uint32_t MaxOverrunBits = 160;
    // A refill loads 8 bytes at most 8 bytes ahead of the position.
    static_assert(MaxOverrunBits / 8 + 16 <= Slack);
    // After a refill the window holds at least this many bits.
    static constexpr std::uint32_t RefillBits = 56;

    // The most bits a value of `count` bits (at most 32) occupies: its raw
    // bits plus the longest code word for each whole byte.
    static constexpr std::uint32_t MaxCodedBits(std::uint32_t count) {
        return (count & 7u) + (count >> 3) * HuffmanMaxCodeLength;
    }
    template <bool Coded> static constexpr std::uint32_t MaxBits(std::uint32_t count) {
        return Coded ? MaxCodedBits(count) : count;
    }

    void reset(const std::uint8_t* data, std::uint32_t lengthBytes) {
        data_ = data;
        next_ = data;
        stop_ = data + lengthBytes;
        end_ = lengthBytes * 8u;
        window_ = 0;
        windowBits_ = 0;
    }

    std::uint32_t position() const {
        return static_cast<std::uint32_t>(next_ - data_) * 8u - windowBits_;
    }
    std::uint32_t endPosition() const { return end_; }
    // The engine's rule: a message is exhausted once a read has reached its
    // last bit, i.e. when the byte count read so far exceeds the length.
    // The message ends on a byte boundary, so the position has reached it
    // when the bytes loaded past its last byte are at least the bits still
    // unread in the window; this needs neither the start nor the length.
    bool exhausted() const {
        return (next_ - stop_) * 8 >= static_cast<std::ptrdiff_t>(windowBits_);
    }
    // Ends the message: every later typed read gives -1.
    void exhaust() {
        next_ = stop_;
        window_ = 0;
        windowBits_ = 0;
    }
    void alignToByte() { skip((8u - (position() & 7u)) & 7u); }

    // Checked reads: each makes sure of its own bits.

    // Consumes `bits` bits, at most 56.
    void skip(std::uint32_t bits) {
        ensure(bits);
        drop(bits);
    }
    bool bit() {
        ensure(1);
        return takeBit();
    }
    // `count` raw bits, 0 <= count <= 32.
    std::uint32_t raw(unsigned count) {
        ensure(count);
        return takeRaw(count);
    }
    // An unsigned value of `count` bits, 1 <= count <= 32, coded (Huffman) or
    // raw. The escape symbol spills into the next byte as it does in the engine
    // and is then cut off at the width.
    template <bool Coded> std::uint32_t bits(unsigned count) {
        ensure(MaxBits<Coded>(count));
        return take<Coded>(count);
    }

    // Unchecked reads: the caller has made sure of the bits with one ensure()
    // for several reads, so that a field costs few refill checks.

    // Makes at least `bits` bits (at most RefillBits) available.
    [[gnu::always_inline]] void ensure(std::uint32_t bits) {
        if (windowBits_ < bits) {
            refill();
        }
    }
    // Fills the window to at least RefillBits bits without asking whether it
    // needs it: cheaper than a branch the processor cannot predict.
    [[gnu::always_inline]] void fill() { refill(); }
    // The window: windowBits() valid bits from bit 0; bits above them are the
    // stream's following bits or zeros.
    std::uint64_t window() const { return window_; }
    std::uint32_t windowBits() const { return windowBits_; }
    [[gnu::always_inline]] void drop(std::uint32_t bits) {
        window_ >>= bits;
        windowBits_ -= bits;
    }
    [[gnu::always_inline]] bool takeBit() {
        const bool value = (window_ & 1u) != 0;
        drop(1);
        return value;
    }
    [[gnu::always_inline]] std::uint32_t takeRaw(unsigned count) {
        const std::uint64_t value = window_ & ((std::uint64_t{1} << count) - 1u);
        drop(count);
        return static_cast<std::uint32_t>(value);
    }
    [[gnu::always_inline]] std::uint32_t takeSymbol() {
        const std::uint32_t entry = HuffmanDecode.entries[window_ & HuffmanLookAheadMask];
        drop(entry >> HuffmanLengthShift);
        return entry & HuffmanSymbolMask;
    }
    template <bool Coded> [[gnu::always_inline]] std::uint32_t take(unsigned count) {
        if constexpr (!Coded) {
            return takeRaw(count);
        } else {
            const unsigned rawCount = count & 7u;
            std::uint64_t value = takeRaw(rawCount);
            for (unsigned shift = rawCount; shift < count; shift += 8) {
                value |= std::uint64_t{takeSymbol()} << shift;
            }
            return static_cast<std::uint32_t>(value & ((std::uint64_t{1} << count) - 1u));
        }
    }
    // Consumes one code word without looking at its symbol.
    [[gnu::always_inline]] void dropSymbol() {
        drop(HuffmanLengths.lengths[window_ & HuffmanLookAheadMask]);
    }
    // Consumes exactly the bits take<Coded>(count) would, without building
    // the value.
    template <bool Coded> [[gnu::always_inline]] void pass(unsigned count) {
        if constexpr (!Coded) {
            drop(count);
        } else {
            drop(count & 7u);
            for (unsigned bytes = count >> 3; bytes != 0; --bytes) {
                dropSymbol();
            }
        }
    }
    template <bool Coded> [[gnu::always_inline]] std::int32_t takeSigned(unsigned count) {
        const std::uint32_t value = take<Coded>(count);
        const std::uint32_t sign = std::uint32_t{1} << (count - 1);
        return static_cast<std::int32_t>((value ^ sign) - sign);
    }

private:
    // The window holds the next bits of the stream, first bit in bit 0;
    // `windowBits_` of them are valid, and bits above them are either the
    // stream's following bits or zero, so OR-ing fresh bytes in is exact.
    [[gnu::always_inline]] void refill() {
        assert(next_ <= stop_ + (MaxOverrunBits + 64u) / 8u);
        std::uint64_t word;
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(&word, next_, sizeof word);
        } else {
            word = 0;
            for (int i = 7; i >= 0; --i) {
                word = word << 8 | next_[i];
            }
        }
        window_ |= word << windowBits_;
        // Whole bytes fit until the window holds 56 to 63 bits.
        next_ += (63u - windowBits_) >> 3;
        windowBits_ |= RefillBits;
    }

    // The hot loops need only `next_`, `stop_` and the window; the start and
    // the length in bits serve position() and endPosition().
    const std::uint8_t* next_ = nullptr; // the first byte not yet in the window
    const std::uint8_t* stop_ = nullptr; // the byte after the message
    std::uint64_t window_ = 0;
    std::uint32_t windowBits_ = 0;
    const std::uint8_t* data_ = nullptr;
    std::uint32_t end_ = 0;
};

} // namespace fenlark::demoreader
