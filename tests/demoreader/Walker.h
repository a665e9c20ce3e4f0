#pragma once
// Walks a demo through the C interface the way the tool's message loop does:
// per message the acknowledge, then operations until the end byte, with
// gamestates, configstrings, baselines, server commands and snapshots. It
// records what it read and checks where each message's reading ended.

#include "demoreader/DemoReader.h"
#include "demoreader/demoreader.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
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

inline constexpr std::size_t MaxConfigstringLength = 8191;

// Reads a string the way the tool does: bytes until 0 or -1, at most `limit`.
inline std::string ReadDemoString(std::int32_t handle, std::size_t limit = MaxConfigstringLength) {
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
    bool firstGamestate = true;
    std::int32_t previousTime = INT32_MIN;
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
        ReadLong(handle);
        bool ended = false;
        bool illegal = false;
        std::uint32_t beforeOperation = 0;
        while (!illegal) {
            beforeOperation = reader->bitPosition();
            const std::int32_t operation = ReadByte(handle);
            if (operation == -1 || operation == 1 || operation == 8) {
                ended = operation == 8;
                break;
            }
            if (operation == 2) {
                ReadLong(handle);
                while (true) {
                    const std::int32_t inner = ReadByte(handle);
                    if (inner == 3) {
                        const int index = ReadShort(handle);
                        std::string text = ReadDemoString(handle);
                        if (firstGamestate) {
                            result.configstrings.emplace_back(index, std::move(text));
                        }
                    } else if (inner == 4) {
                        ++result.baselines;
                        if (ReadBaseline(handle) != 0) {
                            result.damaged.push_back(result.messages);
                        }
                    } else if (inner == 8) {
                        ReadLong(handle);
                        ReadLong(handle);
                        break;
                    } else {
                        result.illegal.emplace_back(result.messages, inner);
                        illegal = true;
                        break;
                    }
                }
                firstGamestate = false;
            } else if (operation == 5) {
                const std::int32_t sequence = ReadLong(handle);
                result.commands.emplace_back(sequence, ReadDemoString(handle));
            } else if (operation == 7) {
                ++result.snapshots;
                const std::uint64_t before = reader->snapshotCount();
                if (ReadSnapshot(handle) != 0) {
                    result.damaged.push_back(result.messages);
                }
                if (reader->snapshotCount() != before) {
                    const std::int32_t time = *reader->lastSnapshotServerTime();
                    result.timeDecreases += time < previousTime ? 1 : 0;
                    previousTime = time;
                }
            } else {
                result.illegal.emplace_back(result.messages, operation);
                illegal = true;
            }
        }
        if (illegal) {
            continue;
        }
        const std::uint32_t end = reader->messageBits();
        const std::uint32_t position = reader->bitPosition();
        const bool inLastByte = oldFormat ? ((beforeOperation + 7u) & ~7u) == end
                                          : ended && position < end && position + 8 >= end;
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
