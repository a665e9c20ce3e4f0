#pragma once
// The C++ side of the demo reader: one open demo, read message by message.
//
// The C interface of demoreader.h is a thin layer over this class. C++ callers
// may use it directly, or reach the reader behind a C handle with
// ReaderForHandle to ask for more than the C calls give (snapshot server
// times, the bit position, the protocol).

#include "demoreader/Delta.h"
#include "demoreader/MessageBits.h"
#include "demoreader/Protocol.h"
#include "demoreader/RecordStream.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

namespace fenlark::demoreader {

class DemoReader {
public:
    // Opens a demo and picks its protocol from the extension of `path`.
    // Returns nullptr when the file cannot be opened.
    static std::unique_ptr<DemoReader> open(const char* path);
    static std::unique_ptr<DemoReader> open(const char* path, const ProtocolInfo& protocol);
    // Reads an already open file (taking ownership of it), e.g. one that
    // fmemopen made from bytes in memory. nullptr for a null file.
    static std::unique_ptr<DemoReader> open(std::FILE* file, const ProtocolInfo& protocol);

    ~DemoReader();
    DemoReader(const DemoReader&) = delete;
    DemoReader& operator=(const DemoReader&) = delete;

    // Moves to the next message; see MessageStatus. Inline: it runs for
    // every record.
    MessageStatus readNextMessage() {
        if (status_ == MessageStatus::Ready) [[likely]] {
            status_ = records_.next(sequence_, message_.data(), length_);
        }
        if (status_ != MessageStatus::Ready) [[unlikely]] {
            return endMessages();
        }
        std::memset(message_.data() + length_, 0, MessageBits::Slack);
        bits_.reset(message_.data(), length_);
        ++messageCount_;
        oldStep_ = OldStep::Acknowledge;
        return status_;
    }

    // 8 bits (0..255), 16 bits (signed) and 32 bits (signed) of the current
    // message, -1 once the message is exhausted.
    std::int32_t readByte() { return oldFormat_ ? oldReadByte() : readCoded(ByteBits); }
    std::int32_t readShort() { return oldFormat_ ? oldReadShort() : readCoded(ShortBits); }
    std::int32_t readLong() { return oldFormat_ ? oldReadLong() : readCoded(LongBits); }
    // The bytes readByte would give up to the first 0 or -1 (which ends the
    // string and is not stored), at most `capacity` of them; returns how many
    // were stored. Faster than readByte per byte.
    std::size_t readString(char* text, std::size_t capacity);

    // Consume one baseline (entity number and entity delta) or one snapshot
    // body. They return false when the data is damaged; the rest of the
    // message then reads as exhausted.
    bool readBaseline() {
        NullDeltaSink sink;
        return readBaseline(sink);
    }
    bool readSnapshot() {
        NullDeltaSink sink;
        return readSnapshot(sink);
    }
    template <class Sink> bool readBaseline(Sink& sink);
    template <class Sink> bool readSnapshot(Sink& sink);

    const ProtocolInfo& protocol() const { return *protocol_; }
    MessageStatus status() const { return status_; }
    // Sequence number and payload length (bytes) of the current record.
    std::int32_t messageSequence() const { return sequence_; }
    std::uint32_t messageLength() const { return length_; }
    // Bit position inside the current message, and the message's length in bits.
    std::uint32_t bitPosition() const { return bits_.position(); }
    std::uint32_t messageBits() const { return bits_.endPosition(); }
    std::uint64_t messageCount() const { return messageCount_; }

    // Snapshots decoded so far (damaged ones are not counted) and the header of
    // the last one.
    std::uint64_t snapshotCount() const { return snapshotCount_; }
    std::optional<std::int32_t> firstSnapshotServerTime() const { return firstServerTime_; }
    std::optional<std::int32_t> lastSnapshotServerTime() const {
        return snapshotCount_ != 0 ? std::optional<std::int32_t>(lastSnapshot().serverTime)
                                   : std::nullopt;
    }
    const SnapshotHeader& lastSnapshot() const { return snapshotHeaders_[lastHeader_]; }

private:
    // Where the walk of an old-format message stands, so that reads can be
    // presented like those of the newer protocols (see README.md).
    enum class OldStep : std::uint8_t {
        Acknowledge,        // next: the acknowledge long (virtual 0 in ".dm3")
        Operation,          // next: an operation byte of the message (aligned)
        Snapshot,           // next: the snapshot body
        CommandSequence,    // next: the server command's sequence long
        CommandText,        // inside the server command's text
        GamestateSequence,  // next: the gamestate's command sequence long
        GamestateOperation, // next: an operation byte of the gamestate
        ConfigIndex,        // next: the configstring index short
        ConfigText,         // inside the configstring text
        Baseline,           // next: a baseline
        Trailer,            // next: client number and checksum feed (virtual 0s)
        Ended,              // the message is over
    };

    struct Private {};

public:
    DemoReader(Private, std::FILE* file, const ProtocolInfo& protocol);

private:
    // A typed read of a coded message. The engine's rule: the message is
    // exhausted once a read reaches its last bit (valid messages always end
    // with padding). The position is then pinned to the end, so that reads
    // past the end never wander off.
    std::int32_t readCoded(unsigned width) {
        const std::uint32_t value = bits_.bits<true>(width);
        if (bits_.exhausted()) [[unlikely]] {
            bits_.exhaust();
            return -1;
        }
        return width == ShortBits ? static_cast<std::int16_t>(value)
                                  : static_cast<std::int32_t>(value);
    }
    std::int32_t readRaw(unsigned width);
    // readString of the coded protocols.
    std::size_t readCodedString(char* text, std::size_t capacity);

    // After the last message: the current message is empty.
    MessageStatus endMessages();
    bool beginBaseline();
    // Inline: they run for every snapshot.
    bool beginSnapshot() {
        if (oldStep_ == OldStep::Snapshot) {
            oldStep_ = OldStep::Operation;
        }
        return !bits_.exhausted();
    }
    bool finish(bool ok) {
        if (!ok) [[unlikely]] {
            bits_.exhaust();
        }
        return ok;
    }
    std::int32_t oldReadByte();
    std::int32_t oldReadLong();
    std::int32_t oldReadShort();

    const ProtocolInfo* protocol_;
    bool oldFormat_;
    RecordStream records_;
    MessageStatus status_ = MessageStatus::Ready;
    std::int32_t sequence_ = 0;
    std::uint32_t length_ = 0;
    std::uint64_t messageCount_ = 0;
    MessageBits bits_;
    OldStep oldStep_ = OldStep::Ended;
    // The client number and checksum feed that follow a gamestate.
    static constexpr int GamestateTrailerLongs = 2;
    int oldTrailerLongs_ = 0;

    std::uint64_t snapshotCount_ = 0;
    std::optional<std::int32_t> firstServerTime_;
    // The header of the last whole snapshot, and the one the next snapshot
    // is decoded into: a whole snapshot's header then becomes the last one
    // by a flip of `lastHeader_` instead of a copy. In both, the area mask
    // bytes beyond its length are zero.
    std::array<SnapshotHeader, 2> snapshotHeaders_{};
    unsigned lastHeader_ = 0;

    // Left uninitialised: only the bytes of the current message and the
    // zeroed slack after them are ever read.
    std::array<std::uint8_t, MaxMessageLength + MessageBits::Slack> message_;
};

template <class Sink> bool DemoReader::readBaseline(Sink& sink) {
    if (!beginBaseline()) {
        return false;
    }
    return finish(ReadBaselineBody(bits_, *protocol_, sink));
}

template <class Sink> FENLARK_DECODER_INLINE bool DemoReader::readSnapshot(Sink& sink) {
    if (!beginSnapshot()) {
        return false;
    }
    // The fields are all written before the snapshot can be whole, except
    // the command number (written for every snapshot of the protocols that
    // have one, 0 for the others) and the area mask bytes beyond the new
    // length, cleared below.
    SnapshotHeader& header = snapshotHeaders_[lastHeader_ ^ 1u];
    const std::uint8_t maskBytesBefore = header.areaMaskLength;
    const bool ok = ReadSnapshotBody(bits_, *protocol_, header, sink);
    if (header.areaMaskLength < maskBytesBefore) [[unlikely]] {
        std::fill(header.areaMask.begin() + header.areaMaskLength,
                  header.areaMask.begin() + maskBytesBefore, std::uint8_t{0});
    }
    if (ok) [[likely]] {
        if (snapshotCount_ == 0) [[unlikely]] {
            firstServerTime_ = header.serverTime;
        }
        ++snapshotCount_;
        lastHeader_ ^= 1u;
    }
    return finish(ok);
}

// The reader behind an open handle of the C interface, or nullptr. The pointer
// stays valid until the handle is closed or recycled.
DemoReader* ReaderForHandle(std::int32_t handle);

// How many handles of the C interface may be open at once; opening one more
// closes the one opened longest ago.
inline constexpr int MaxOpenHandles = 32;

} // namespace fenlark::demoreader
