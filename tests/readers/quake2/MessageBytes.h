#pragma once
// Builds demo bytes for the tests: little-endian numbers, zero-terminated
// strings, and the framing of .dm2 blocks and .mvd2 messages.

#include "core/ByteSource.h"
#include "readers/EngineReport.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace fenlark::readers::test {

class MessageBytes {
public:
    MessageBytes& u8(int value) {
        bytes_.push_back(static_cast<std::uint8_t>(value));
        return *this;
    }
    MessageBytes& u16(int value) {
        u8(value & 0xFF);
        return u8((value >> 8) & 0xFF);
    }
    MessageBytes& i32(std::int64_t value) {
        for (int shift = 0; shift < 32; shift += 8) {
            u8(static_cast<int>((value >> shift) & 0xFF));
        }
        return *this;
    }
    MessageBytes& text(std::string_view value) {
        bytes_.insert(bytes_.end(), value.begin(), value.end());
        return u8(0);
    }
    MessageBytes& raw(const std::vector<std::uint8_t>& more) {
        bytes_.insert(bytes_.end(), more.begin(), more.end());
        return *this;
    }
    MessageBytes& zeros(std::size_t count) {
        bytes_.insert(bytes_.end(), count, 0);
        return *this;
    }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    std::size_t size() const { return bytes_.size(); }

private:
    std::vector<std::uint8_t> bytes_;
};

// A file of 32-bit length blocks, with or without the closing -1.
inline std::vector<std::uint8_t> Blocks(const std::vector<MessageBytes>& messages,
                                        bool endMarker = true) {
    MessageBytes file;
    for (const MessageBytes& message : messages) {
        file.i32(static_cast<std::int64_t>(message.size())).raw(message.bytes());
    }
    if (endMarker) {
        file.i32(-1);
    }
    return file.bytes();
}

inline EngineReport Read(EngineReaderFunction reader, std::vector<std::uint8_t> bytes,
                         ReadDepth depth = ReadDepth::WholeFile) {
    MemorySource source(std::move(bytes));
    return reader(source, depth);
}

} // namespace fenlark::readers::test
