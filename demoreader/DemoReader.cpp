#include "demoreader/DemoReader.h"

#include "demoreader/ServerOperation.h"

#include <algorithm>
#include <cstring>

namespace fenlark::demoreader {
namespace {

constexpr std::int32_t Byte(ServerOperation operation) {
    return static_cast<std::int32_t>(operation);
}

// In the old format a 0 byte ends a message's or a gamestate's operations.
constexpr std::int32_t OldEndOfOperations = Byte(ServerOperation::Bad);

} // namespace

std::unique_ptr<DemoReader> DemoReader::open(const char* path) {
    if (path == nullptr) {
        return nullptr;
    }
    return open(path, ProtocolFromPath(path));
}

std::unique_ptr<DemoReader> DemoReader::open(const char* path, const ProtocolInfo& protocol) {
    if (path == nullptr) {
        return nullptr;
    }
    return open(std::fopen(path, "rb"), protocol);
}

std::unique_ptr<DemoReader> DemoReader::open(std::FILE* file, const ProtocolInfo& protocol) {
    if (file == nullptr) {
        return nullptr;
    }
    return std::make_unique<DemoReader>(Private{}, file, protocol);
}

DemoReader::DemoReader(Private, std::FILE* file, const ProtocolInfo& protocol)
    : protocol_(&protocol), oldFormat_(protocol.oldFormat), records_(file) {
    std::memset(message_.data(), 0, MessageBits::Slack);
    bits_.reset(message_.data(), 0);
}

DemoReader::~DemoReader() = default;

MessageStatus DemoReader::endMessages() {
    length_ = 0;
    std::memset(message_.data(), 0, MessageBits::Slack);
    bits_.reset(message_.data(), 0);
    oldStep_ = OldStep::Ended;
    return status_;
}

// A typed read of an old message, which ends exactly at its last bit: only a
// read that needs bits beyond it fails.
std::int32_t DemoReader::readRaw(unsigned width) {
    if (bits_.position() + width > bits_.endPosition()) {
        bits_.exhaust();
        return -1;
    }
    const std::uint32_t value = bits_.bits<false>(width);
    return width == ShortBits ? static_cast<std::int16_t>(value) : static_cast<std::int32_t>(value);
}

std::size_t DemoReader::readString(char* text, std::size_t capacity) {
    if (!oldFormat_) {
        return readCodedString(text, capacity);
    }
    std::size_t length = 0;
    while (length < capacity) {
        const std::int32_t c = oldReadByte();
        if (c <= 0) {
            break;
        }
        text[length++] = static_cast<char>(c);
    }
    return length;
}

// Compiled for wider instruction sets too, where the processor has them
// (the decoding loops of callers that inline the walk do not take it along).
FENLARK_DECODER_CLONES std::size_t DemoReader::readCodedString(char* text, std::size_t capacity) {
    std::size_t length = 0;
    // A local copy of the bit reader stays in registers through the string.
    // A filled window holds Batch code words, which advance the position by
    // at most BatchBits. From a position `start`, the batches that surely
    // end before the message does are counted once; they are then taken
    // without checking for its end (the count is taken again as long as it
    // gives more). Near the end of the message or of the text, one code word
    // at a time.
    constexpr std::size_t Batch = MessageBits::RefillBits / HuffmanMaxCodeLength;
    constexpr std::uint32_t BatchBits = Batch * HuffmanMaxCodeLength;
    MessageBits bits = bits_;
    for (;;) {
        const std::uint32_t start = bits.position();
        const std::uint32_t end = bits.endPosition();
        // Batch k starts at most k * BatchBits after `start`, so it ends
        // before `end` when (k + 1) * BatchBits < end - start.
        std::size_t batches = start < end ? (end - start - 1) / BatchBits : 0;
        batches = std::min(batches, (capacity - length) / Batch);
        if (batches == 0) {
            break;
        }
        for (; batches != 0; --batches) {
            bits.fill();
            for (std::size_t i = 0; i < Batch; ++i) {
                const std::uint32_t c = bits.takeSymbol() & 0xFFu;
                if (c == 0) {
                    bits_ = bits;
                    return length;
                }
                text[length++] = static_cast<char>(c);
            }
        }
    }
    while (length < capacity) {
        bits.fill();
        const std::uint32_t c = bits.takeSymbol() & 0xFFu;
        if (bits.exhausted()) {
            bits.exhaust();
            break;
        }
        if (c == 0) {
            break;
        }
        text[length++] = static_cast<char>(c);
    }
    bits_ = bits;
    return length;
}

bool DemoReader::beginBaseline() {
    if (oldStep_ == OldStep::Baseline) {
        oldStep_ = OldStep::GamestateOperation;
    }
    return !bits_.exhausted();
}

// The old format differs from the newer one in ways a caller walking the
// message could not see: operations start on byte boundaries, a message has
// no end byte, a gamestate ends with byte 0 and nothing after it, and ".dm3"
// messages have no acknowledge. The reads below follow the walk of the message
// and present it like a newer one: the acknowledge of ".dm3" and the two longs
// after a gamestate read as 0 without consuming anything, the end of a
// gamestate and of a message read as byte 8.
std::int32_t DemoReader::oldReadByte() {
    switch (oldStep_) {
    case OldStep::Acknowledge:
        if (protocol_->acknowledge) {
            return readRaw(ByteBits);
        }
        [[fallthrough]];
    case OldStep::Operation: {
        bits_.alignToByte();
        const std::int32_t operation = readRaw(ByteBits);
        switch (operation) {
        case Byte(ServerOperation::Gamestate):
            oldStep_ = OldStep::GamestateSequence;
            return operation;
        case Byte(ServerOperation::ServerCommand):
            oldStep_ = OldStep::CommandSequence;
            return operation;
        case Byte(ServerOperation::Snapshot):
            oldStep_ = OldStep::Snapshot;
            return operation;
        case OldEndOfOperations:
        case Byte(ServerOperation::EndOfOperations):
            oldStep_ = OldStep::Ended;
            return Byte(ServerOperation::EndOfOperations);
        case NoMoreData:
            oldStep_ = OldStep::Ended;
            return NoMoreData;
        default:
            oldStep_ = OldStep::Operation;
            return operation;
        }
    }
    case OldStep::GamestateOperation: {
        const std::int32_t operation = readRaw(ByteBits);
        switch (operation) {
        case Byte(ServerOperation::Configstring):
            oldStep_ = OldStep::ConfigIndex;
            return operation;
        case Byte(ServerOperation::Baseline):
            oldStep_ = OldStep::Baseline;
            return operation;
        case OldEndOfOperations:
        case Byte(ServerOperation::EndOfOperations):
            oldStep_ = OldStep::Trailer;
            oldTrailerLongs_ = GamestateTrailerLongs;
            return Byte(ServerOperation::EndOfOperations);
        default:
            return operation;
        }
    }
    case OldStep::CommandText:
    case OldStep::ConfigText: {
        const std::int32_t c = readRaw(ByteBits);
        if (c <= 0) {
            oldStep_ =
                oldStep_ == OldStep::CommandText ? OldStep::Operation : OldStep::GamestateOperation;
        }
        return c;
    }
    case OldStep::Ended:
        return -1;
    default:
        return readRaw(ByteBits);
    }
}

std::int32_t DemoReader::oldReadShort() {
    if (oldStep_ == OldStep::ConfigIndex) {
        oldStep_ = OldStep::ConfigText;
    }
    return readRaw(ShortBits);
}

std::int32_t DemoReader::oldReadLong() {
    switch (oldStep_) {
    case OldStep::Acknowledge:
        oldStep_ = OldStep::Operation;
        return protocol_->acknowledge ? readRaw(LongBits) : 0;
    case OldStep::CommandSequence:
        oldStep_ = OldStep::CommandText;
        return readRaw(LongBits);
    case OldStep::GamestateSequence:
        oldStep_ = OldStep::GamestateOperation;
        return readRaw(LongBits);
    case OldStep::Trailer:
        if (--oldTrailerLongs_ <= 0) {
            oldStep_ = OldStep::Operation;
        }
        return 0;
    default:
        return readRaw(LongBits);
    }
}

} // namespace fenlark::demoreader
