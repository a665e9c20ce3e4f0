#pragma once
// Reading the bytes of a demo front to back through a fixed buffer, and taking
// little-endian values apart inside one record. Both never read past what they
// hold: a read that would returns std::nullopt (ByteStream) or sets the
// overrun flag (SpanReader), so a damaged file ends a reader cleanly.

#include "core/ByteSource.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace fenlark::readers {

class ByteStream {
public:
    static constexpr std::size_t BufferSize = 64 * 1024;

    explicit ByteStream(ByteSource& source) : source_(source), buffer_(BufferSize) {}

    std::uint64_t position() const { return position_; }
    std::uint64_t size() const { return source_.size(); }
    std::uint64_t remaining() const { return position_ < size() ? size() - position_ : 0; }
    bool atEnd() const { return position_ >= size(); }
    // True once the system reported a read error; every later read fails.
    bool readError() const { return readError_; }

    // Copies exactly into.size() bytes; false (position unchanged) when the
    // source ends first or cannot be read.
    bool read(std::span<std::uint8_t> into) {
        if (into.size() > remaining() || readError_) {
            return false;
        }
        std::size_t done = 0;
        while (done < into.size()) {
            const std::uint64_t at = position_ + done;
            if (!fill(at)) {
                return false;
            }
            const auto offset = static_cast<std::size_t>(at - bufferStart_);
            const std::size_t take = std::min(into.size() - done, bufferLength_ - offset);
            std::memcpy(into.data() + done, buffer_.data() + offset, take);
            done += take;
        }
        position_ += into.size();
        return true;
    }
    // Reads `count` bytes into a vector; std::nullopt when they are not there.
    std::optional<std::vector<std::uint8_t>> bytes(std::size_t count) {
        if (count > remaining()) {
            return std::nullopt;
        }
        std::vector<std::uint8_t> out(count);
        if (!read(out)) {
            return std::nullopt;
        }
        return out;
    }
    bool skip(std::uint64_t count) {
        if (count > remaining()) {
            return false;
        }
        position_ += count;
        return true;
    }
    bool seek(std::uint64_t position) {
        if (position > size()) {
            return false;
        }
        position_ = position;
        return true;
    }

    std::optional<std::uint8_t> u8() { return value<std::uint8_t>(); }
    std::optional<std::uint16_t> u16() { return value<std::uint16_t>(); }
    std::optional<std::uint32_t> u32() { return value<std::uint32_t>(); }
    std::optional<std::int32_t> i32() { return value<std::int32_t>(); }
    std::optional<float> f32() { return value<float>(); }

private:
    // Makes the buffer hold the byte at `at` (and as many after it as fit).
    bool fill(std::uint64_t at) {
        if (at >= bufferStart_ && at < bufferStart_ + bufferLength_) {
            return true;
        }
        bufferStart_ = at;
        bufferLength_ = 0;
        const auto got = source_.readAt(bufferStart_, buffer_);
        if (!got) {
            readError_ = true;
            return false;
        }
        bufferLength_ = *got;
        return bufferLength_ != 0;
    }
    template <class T> std::optional<T> value() {
        std::array<std::uint8_t, sizeof(T)> raw{};
        if (!read(raw)) {
            return std::nullopt;
        }
        return FromLittleEndian<T>(raw);
    }

public:
    template <class T> static T FromLittleEndian(std::span<const std::uint8_t, sizeof(T)> raw) {
        std::conditional_t<
            sizeof(T) == 1, std::uint8_t,
            std::conditional_t<sizeof(T) == 2, std::uint16_t,
                               std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>>>
            bits = 0;
        for (std::size_t i = sizeof(T); i-- > 0;) {
            bits = static_cast<decltype(bits)>((static_cast<std::uint64_t>(bits) << 8) | raw[i]);
        }
        T result;
        std::memcpy(&result, &bits, sizeof(T));
        return result;
    }

private:
    ByteSource& source_;
    std::vector<std::uint8_t> buffer_;
    std::uint64_t bufferStart_ = 0;
    std::size_t bufferLength_ = 0;
    std::uint64_t position_ = 0;
    bool readError_ = false;
};

// Little-endian values and strings out of one record held in memory. A read
// past the end gives 0 (or an empty string) and sets overrun(); callers check
// it once after a group of reads.
class SpanReader {
public:
    explicit SpanReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::size_t position() const { return position_; }
    std::size_t remaining() const { return bytes_.size() - position_; }
    bool atEnd() const { return position_ >= bytes_.size(); }
    bool overrun() const { return overrun_; }

    std::uint8_t u8() { return value<std::uint8_t>(); }
    std::int8_t i8() { return static_cast<std::int8_t>(value<std::uint8_t>()); }
    std::uint16_t u16() { return value<std::uint16_t>(); }
    std::int16_t i16() { return static_cast<std::int16_t>(value<std::uint16_t>()); }
    std::uint32_t u32() { return value<std::uint32_t>(); }
    std::int32_t i32() { return static_cast<std::int32_t>(value<std::uint32_t>()); }
    float f32() { return value<float>(); }

    // Bytes up to (not including) the next zero byte, which is consumed. A
    // string that runs to the end of the record sets overrun().
    std::string_view cString() {
        const std::size_t start = position_;
        while (position_ < bytes_.size() && bytes_[position_] != 0) {
            ++position_;
        }
        const std::string_view text(reinterpret_cast<const char*>(bytes_.data() + start),
                                    position_ - start);
        if (position_ >= bytes_.size()) {
            overrun_ = true;
        } else {
            ++position_;
        }
        return text;
    }
    std::span<const std::uint8_t> take(std::size_t count) {
        if (count > remaining()) {
            overrun_ = true;
            position_ = bytes_.size();
            return {};
        }
        const auto part = bytes_.subspan(position_, count);
        position_ += count;
        return part;
    }
    void skip(std::size_t count) { take(count); }

private:
    template <class T> T value() {
        if (sizeof(T) > remaining()) {
            overrun_ = true;
            position_ = bytes_.size();
            return T{};
        }
        const auto raw = bytes_.subspan(position_).first<sizeof(T)>();
        position_ += sizeof(T);
        return ByteStream::FromLittleEndian<T>(raw);
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
    bool overrun_ = false;
};

} // namespace fenlark::readers
