#pragma once
// Walks a demo with the library's message walk, opened and advanced through
// the C interface: per message the acknowledge, then operations until the
// end byte, with gamestates, configstrings, baselines, server commands and
// snapshots. It records what it read and checks where each message's
// reading ended.

#include "demoreader/DemoReader.h"
#include "demoreader/MessageWalk.h"
#include "demoreader/demoreader.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fenlark::test {

inline const std::filesystem::path DemoFolder = FENLARK_SHARED_DEMOS;

inline std::string ReadWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

struct WalkResult {
    bool opened = false;
    // The first non-zero ReadNextMessage status.
    std::int32_t status = 0;
    std::uint64_t messages = 0;
    std::uint64_t snapshots = 0;
    std::uint64_t baselines = 0;
    // Configstrings of the first gamestate, and every server command.
    std::vector<std::pair<int, std::string>> configstrings;
    std::vector<std::pair<std::int32_t, std::string>> commands;
    // Messages (counted from 1) holding an illegal operation, and the byte.
    std::vector<std::pair<std::uint64_t, int>> illegal;
    // Messages whose reading did not end inside the message's last byte (or,
    // in the old format, exactly at its end), and snapshots or baselines the
    // library called damaged.
    std::vector<std::uint64_t> misplaced;
    std::vector<std::uint64_t> damaged;
    // Snapshots whose server time is below the one before, and the first and
    // last server times the reader kept.
    std::uint64_t timeDecreases = 0;
    std::optional<std::int32_t> firstTime;
    std::optional<std::int32_t> lastTime;
};

// Reads a string the way the tool does: bytes until 0 or -1, at most `limit`.
inline std::string ReadDemoString(std::int32_t handle,
                                  std::size_t limit = demoreader::MaxStringLength) {
    std::string text;
    while (text.size() < limit) {
        const std::int32_t c = ReadByte(handle);
        if (c <= 0) {
            break;
        }
        text.push_back(static_cast<char>(c));
    }
    return text;
}

// Records what the walk meets into a WalkResult.
class RecordingVisitor : public demoreader::NullMessageVisitor {
public:
    RecordingVisitor(const demoreader::DemoReader& reader, WalkResult& result)
        : reader_(reader), result_(result) {}

    // Where the last operation byte of the message was read from: the
    // position after the last operation before it.
    std::uint32_t beforeLastOperation() const { return beforeOperation_; }

    void messageBegin(std::int32_t /*acknowledge*/) { beforeOperation_ = reader_.bitPosition(); }
    void gamestateBegin(std::int32_t /*commandSequence*/) { ++gamestates_; }
    void configstring(std::int32_t index, std::string_view text) {
        if (gamestates_ == 1) {
            result_.configstrings.emplace_back(index, std::string(text));
        }
    }
    void baseline(bool ok) {
        ++result_.baselines;
        if (!ok) {
            result_.damaged.push_back(result_.messages);
        }
    }
    void gamestateEnd(std::int32_t /*clientNumber*/, std::int32_t /*checksumFeed*/) {
        beforeOperation_ = reader_.bitPosition();
    }
    void serverCommand(std::int32_t sequence, std::string_view text) {
        result_.commands.emplace_back(sequence, std::string(text));
        beforeOperation_ = reader_.bitPosition();
    }
    void snapshot(bool ok) {
        ++result_.snapshots;
        if (!ok) {
            result_.damaged.push_back(result_.messages);
        } else {
            const std::int32_t time = *reader_.lastSnapshotServerTime();
            result_.timeDecreases += time < previousTime_ ? 1 : 0;
            previousTime_ = time;
        }
        beforeOperation_ = reader_.bitPosition();
    }
    void illegal(demoreader::WalkEnd /*where*/, std::int32_t operation) {
        result_.illegal.emplace_back(result_.messages, operation);
    }

private:
    const demoreader::DemoReader& reader_;
    WalkResult& result_;
    std::uint32_t beforeOperation_ = 0;
    int gamestates_ = 0;
    std::int32_t previousTime_ = INT32_MIN;
};

// Walks every message; unlike the tool it goes on with the next message after
// an illegal operation, so that damage further on is reached too.
inline WalkResult WalkDemo(const std::string& path, std::uint64_t maxMessages = UINT64_MAX) {
    WalkResult result;
    const std::int32_t handle = OpenDemoFile(path.c_str());
    if (handle == 0) {
        return result;
    }
    result.opened = true;
    demoreader::DemoReader* reader = demoreader::ReaderForHandle(handle);
    const bool oldFormat = reader->protocol().oldFormat;
    RecordingVisitor visitor(*reader, result);
    while (result.messages < maxMessages) {
        result.status = ReadNextMessage(handle);
        if (result.status != 0) {
            // The library must still answer.
            ReadLong(handle);
            if (ReadByte(handle) != -1) {
                result.illegal.emplace_back(result.messages + 1, -2);
            }
            break;
        }
        ++result.messages;
        if (demoreader::WalkMessage(*reader, visitor) != demoreader::WalkEnd::EndOfMessage) {
            continue;
        }
        // A coded message ends with its end byte inside the last byte (a walk
        // that ran out of data stands exactly at the end); an old one ends
        // where its last operation's byte would start.
        const std::uint32_t end = reader->messageBits();
        const std::uint32_t position = reader->bitPosition();
        const bool inLastByte = oldFormat ? ((visitor.beforeLastOperation() + 7u) & ~7u) == end
                                          : position < end && position + 8 >= end;
        if (!inLastByte) {
            result.misplaced.push_back(result.messages);
        }
    }
    result.firstTime = reader->firstSnapshotServerTime();
    result.lastTime = reader->lastSnapshotServerTime();
    CloseDemoFile(handle);
    return result;
}

} // namespace fenlark::test
