#pragma once
// Demos made of records that are a length and that many bytes, one length
// value marking the end of the demo (Quake II client demos and Warsow demos:
// a 32-bit length, -1 at the end; Q2PRO multi-view demos: a 16-bit length, 0
// at the end), and the first-reason-wins record of how their reading ended.

#include "core/MatchFacts.h"
#include "readers/ByteStream.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fenlark::readers {

enum class RecordLength : std::uint8_t { Int32, UInt16 };

struct RecordFraming {
    RecordLength length = RecordLength::Int32;
    std::int32_t endMarker = -1;
    std::int32_t maxLength = 0; // a longer record is damage
};

// Why there is no next record: the match facts' reason and detail, and the
// byte offset the reading stopped at (after the end marker, else at the
// record's start).
struct RecordsEnd {
    std::string reason;
    std::string detail;
    std::uint64_t byteOffset = 0;
};

// Reads the next record into `record`; nothing when it did, else why not.
std::optional<RecordsEnd> ReadLengthPrefixedRecord(ByteStream& stream, const RecordFraming& framing,
                                                   std::vector<std::uint8_t>& record);

// How a reading ended. The first stop is kept: a reader that meets illegal
// data and then runs out of bytes reports the illegal data.
class ReadingEnd {
public:
    void stop(std::string reason, std::string detail, std::uint64_t messagesRead,
              std::uint64_t byteOffset) {
        if (end_.reason.empty()) {
            end_.reason = std::move(reason);
            end_.detail = std::move(detail);
            end_.messagesRead = messagesRead;
            end_.byteOffset = byteOffset;
        }
    }
    void stop(RecordsEnd end, std::uint64_t messagesRead) {
        stop(std::move(end.reason), std::move(end.detail), messagesRead, end.byteOffset);
    }
    // Moves the offset of an ending already recorded, e.g. past a record the
    // reader finished with before it stopped.
    void setByteOffset(std::uint64_t byteOffset) { end_.byteOffset = byteOffset; }
    const MatchEnd& facts() const { return end_; }

private:
    MatchEnd end_;
};

} // namespace fenlark::readers
