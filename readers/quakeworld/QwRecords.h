#pragma once
// The record framing of QuakeWorld demos, giving the blocks of server
// messages with their time.
//
// MVD (server-side, multi-view): byte time delta in milliseconds, byte
// command (low 3 bits the record type, high 5 bits a player for dem_single
// and dem_stats), an int32 player mask for dem_multiple, then int32 length
// and the messages.
//
// .qwd (client-side): float time in seconds, byte type; dem_cmd holds the
// client's own move (skipped), dem_set two sequence numbers (skipped),
// dem_read an int32 length and a network packet whose first 8 bytes are the
// packet's sequence numbers.

#include "core/ByteSource.h"
#include "readers/ByteStream.h"
#include "readers/quakeworld/QwProtocol.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace fenlark::readers::quakeworld {

struct QwRecord {
    std::int64_t timeMs = 0;     // from the first record of the file
    std::uint8_t type = DemRead; // MvdRecord
    std::uint32_t to = 0;        // dem_multiple: player mask; dem_single/dem_stats: player
    std::uint64_t offset = 0;    // of the record in the file
    std::uint64_t messagesOffset = 0;
    std::span<const std::uint8_t> messages;
};

enum class QwRecordStatus : std::uint8_t { Record, EndOfFile, Cut, Illegal, ReadError };

class QwRecordReader {
public:
    // The longest block accepted; real ones stay far below (a network
    // packet is at most a few kilobytes, MVD blocks at most 64 KB).
    static constexpr std::size_t MaxBlock = 1 << 20;

    QwRecordReader(ByteSource& source, QwDemoKind kind) : in_(source), kind_(kind) {}

    // The next block of messages; records without messages are passed over.
    QwRecordStatus next(QwRecord& record);
    // Why the last call did not give a record (for Cut and Illegal).
    const std::string& detail() const { return detail_; }
    // Where that happened.
    std::uint64_t stopOffset() const { return stopOffset_; }

private:
    QwRecordStatus nextMvd(QwRecord& record);
    QwRecordStatus nextQwd(QwRecord& record);
    QwRecordStatus readBlock(QwRecord& record, std::size_t skipFirst);
    QwRecordStatus stop(QwRecordStatus status, std::uint64_t offset, std::string detail);

    ByteStream in_;
    QwDemoKind kind_;
    std::vector<std::uint8_t> buffer_;
    std::int64_t mvdTimeMs_ = 0;
    bool haveFirstTime_ = false;
    double firstTime_ = 0;
    std::string detail_;
    std::uint64_t stopOffset_ = 0;
};

} // namespace fenlark::readers::quakeworld
