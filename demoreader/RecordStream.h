#pragma once
// Splitting a demo file into its records: a 32-bit sequence number, a 32-bit
// payload length and the payload, little-endian, until a length of -1.
//
// The file is read through one fixed buffer, so memory does not depend on the
// size of the file or on what a damaged header claims.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

namespace fenlark::demoreader {

// The engine's largest message; a longer record means a damaged file.
inline constexpr std::uint32_t MaxMessageLength = 16384;

// What ReadNextMessage reports. Every value but Ready ends the demo: once
// given, it is given again by every later call, and the current message is
// then empty (ReadLong, ReadShort and ReadByte give -1).
enum class MessageStatus : std::int32_t {
    Ready = 0,     // a message is ready to be read
    EndMarker = 1, // the demo's end marker (a length of -1) was reached
    // 2 is not used: the caller keeps 2 for "stopped after an illegal operation".
    EndWithoutMarker = 3, // the file ended after a complete record, without end marker
    Truncated = 4,        // the file ended inside a record header or payload
    BadLength = 5,        // a record claims a negative length or one above MaxMessageLength
    ReadError = 6,        // the operating system reported an error while reading
    InvalidHandle = 7,    // (C interface only) the handle is not, or no longer, open
};

class RecordStream {
public:
    // A record starts with its sequence number and payload length.
    static constexpr std::size_t HeaderBytes = 8;
    // The payload length that marks the end of the demo.
    static constexpr std::int32_t EndMarkerLength = -1;
    static constexpr std::size_t BufferSize = 32 * 1024;
    static_assert(BufferSize >= MaxMessageLength + HeaderBytes);
    // Reads take at least this much, so that opening a demo and reading its
    // first message does not wait for a whole buffer.
    static constexpr std::size_t ReadChunk = 16 * 1024;
    // Nearly all records are at most this long (most below 100 bytes). One
    // of them is copied as a whole block of this size, a few wide moves,
    // rather than by a call that picks a copy for its length and often
    // mispredicts. The block may read past the record (the buffer has this
    // much room after its BufferSize bytes) and write past it.
    static constexpr std::uint32_t ShortRecord = 128;
    static_assert(ShortRecord <= MaxMessageLength);

    // Takes ownership of `file`.
    explicit RecordStream(std::FILE* file);
    ~RecordStream();
    RecordStream(const RecordStream&) = delete;
    RecordStream& operator=(const RecordStream&) = delete;

    // Reads the next record; on Ready, `payload` (MaxMessageLength bytes)
    // holds `length` bytes of it. The bytes after them, up to ShortRecord,
    // may have been overwritten.
    //
    // Most records lie whole in the buffer already: that case is inline, so
    // that a record costs a few tests and the copy. The rest (refilling,
    // the end marker, damage) is left to nextSlow.
    MessageStatus next(std::int32_t& sequence, std::uint8_t* payload, std::uint32_t& length) {
        if (available() >= HeaderBytes && !readError_) [[likely]] {
            const std::uint8_t* header = buffer_.get() + begin_;
            // Unsigned, a negative length (the end marker too) is above the
            // limit.
            const std::uint32_t claimed = LittleEndian32(header + sizeof(std::int32_t));
            if (claimed <= MaxMessageLength && claimed <= available() - HeaderBytes) [[likely]] {
                sequence = static_cast<std::int32_t>(LittleEndian32(header));
                length = claimed;
                if (claimed <= ShortRecord) [[likely]] {
                    std::memcpy(payload, header + HeaderBytes, ShortRecord);
                } else {
                    std::memcpy(payload, header + HeaderBytes, claimed);
                }
                begin_ += HeaderBytes + claimed;
                return MessageStatus::Ready;
            }
        }
        return nextSlow(sequence, payload, length);
    }

private:
    static std::uint32_t LittleEndian32(const std::uint8_t* bytes) {
        return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 |
               std::uint32_t{bytes[2]} << 16 | std::uint32_t{bytes[3]} << 24;
    }
    MessageStatus nextSlow(std::int32_t& sequence, std::uint8_t* payload, std::uint32_t& length);
    // Makes at least `count` bytes available unless the file ends first.
    void fill(std::size_t count);
    std::size_t available() const { return end_ - begin_; }

    std::FILE* file_;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    bool endOfFile_ = false;
    bool readError_ = false;
};

} // namespace fenlark::demoreader
