#pragma once
// The one walk over a server message: reads the acknowledge, then every
// operation up to the end of the message, and tells a visitor what it met.
//
// A visitor is any class with the members of NullMessageVisitor (deriving
// from it inherits the ones it does not need). Snapshot and baseline contents
// reach the visitor through the delta-sink members it shares with
// NullDeltaSink; the walk decodes them whatever the visitor keeps.
//
// Strings are raw bytes: a string ends at a zero byte, at the end of the
// message or after MaxStringLength bytes. What a byte shows as is the
// visitor's business.

#include "demoreader/DemoReader.h"
#include "demoreader/ServerOperation.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace fenlark::demoreader {

// How the walk of one message ended.
enum class WalkEnd : std::uint8_t {
    EndOfMessage,            // an end byte, a nop or the message ran out
    IllegalOperation,        // an operation byte the protocol does not have
    IllegalGamestateContent, // inside a gamestate: a byte other than 3, 4 or 8
};

struct NullMessageVisitor : NullDeltaSink {
    void messageBegin(std::int32_t /*acknowledge*/) {}
    void gamestateBegin(std::int32_t /*commandSequence*/) {}
    void configstring(std::int32_t /*index*/, std::string_view /*text*/) {}
    // After the baseline's entity reached the delta-sink members; ok false
    // when the data was damaged (the rest of the message then reads empty).
    void baseline(bool /*ok*/) {}
    void gamestateEnd(std::int32_t /*clientNumber*/, std::int32_t /*checksumFeed*/) {}
    void serverCommand(std::int32_t /*sequence*/, std::string_view /*text*/) {}
    // After the snapshot's header, player state and entities reached the
    // delta-sink members.
    void snapshot(bool /*ok*/) {}
    // The operation byte that stopped the walk (see WalkEnd).
    void illegal(WalkEnd /*where*/, std::int32_t /*operation*/) {}
};

namespace detail {

template <class Reader, class Visitor> WalkEnd WalkGamestate(Reader& reader, Visitor& visitor) {
    std::array<char, MaxStringLength> text; // NOLINT(cppcoreguidelines-pro-type-member-init)
    visitor.gamestateBegin(reader.readLong());
    for (;;) {
        const std::int32_t operation = reader.readByte();
        switch (operation) {
        case NoMoreData:
            return WalkEnd::EndOfMessage;
        case static_cast<std::int32_t>(ServerOperation::Configstring): {
            const std::int32_t index = reader.readShort();
            const std::size_t length = reader.readString(text.data(), text.size());
            visitor.configstring(index, std::string_view(text.data(), length));
            break;
        }
        case static_cast<std::int32_t>(ServerOperation::Baseline):
            visitor.baseline(reader.readBaseline(visitor));
            break;
        case static_cast<std::int32_t>(ServerOperation::EndOfOperations): {
            const std::int32_t clientNumber = reader.readLong();
            const std::int32_t checksumFeed = reader.readLong();
            visitor.gamestateEnd(clientNumber, checksumFeed);
            return WalkEnd::EndOfMessage;
        }
        default:
            visitor.illegal(WalkEnd::IllegalGamestateContent, operation);
            return WalkEnd::IllegalGamestateContent;
        }
    }
}

} // namespace detail

// Walks the current message of `reader` (after readNextMessage gave Ready).
// A nop ends the message, as it does in the tool's original loop.
//
// `reader` is a DemoReader, or any class with its readLong, readShort,
// readByte, readString, readBaseline(sink) and readSnapshot(sink) members.
// The walk and the snapshot decoder are inlined into the caller's loop, so
// that a loop compiled for a wider instruction set takes them along.
template <class Reader, class Visitor>
FENLARK_DECODER_INLINE WalkEnd WalkMessage(Reader& reader, Visitor& visitor) {
    visitor.messageBegin(reader.readLong());
    std::array<char, MaxStringLength> text; // NOLINT(cppcoreguidelines-pro-type-member-init)
    for (;;) {
        const std::int32_t operation = reader.readByte();
        // Nearly every message is a snapshot then an end byte. Tested one by
        // one, these two are branches the processor predicts from the ones
        // before; a jump table would be one indirect jump whose target
        // alternates, mispredicted at nearly every operation.
        if (operation == static_cast<std::int32_t>(ServerOperation::Snapshot)) [[likely]] {
            visitor.snapshot(reader.readSnapshot(visitor));
            continue;
        }
        if (operation == static_cast<std::int32_t>(ServerOperation::EndOfOperations)) [[likely]] {
            return WalkEnd::EndOfMessage;
        }
        // The other operations (snapshot and end byte are handled above).
        switch (operation) {
        case NoMoreData:
        case static_cast<std::int32_t>(ServerOperation::Nop):
            return WalkEnd::EndOfMessage;
        case static_cast<std::int32_t>(ServerOperation::Gamestate): {
            const WalkEnd end = detail::WalkGamestate(reader, visitor);
            if (end != WalkEnd::EndOfMessage) {
                return end;
            }
            break;
        }
        case static_cast<std::int32_t>(ServerOperation::ServerCommand): {
            const std::int32_t sequence = reader.readLong();
            const std::size_t length = reader.readString(text.data(), text.size());
            visitor.serverCommand(sequence, std::string_view(text.data(), length));
            break;
        }
        default:
            visitor.illegal(WalkEnd::IllegalOperation, operation);
            return WalkEnd::IllegalOperation;
        }
    }
}

} // namespace fenlark::demoreader
