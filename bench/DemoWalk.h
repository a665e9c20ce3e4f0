#pragma once
// The tool's walk of a demo through the C interface, without keeping
// anything: per message the acknowledge and every operation, strings read
// byte by byte into a fixed buffer as the tool does.

#include "demoreader/demoreader.h"

#include <cstdint>

namespace fenlark::bench {

struct WalkCount {
    std::uint64_t messages = 0;
    std::uint64_t stringBytes = 0;
};

inline void SkipString(std::int32_t handle, WalkCount& count) {
    char text[8192];
    std::size_t length = 0;
    for (std::int32_t c = ReadByte(handle); c > 0 && length < sizeof text - 1;
         c = ReadByte(handle)) {
        text[length++] = static_cast<char>(c);
    }
    count.stringBytes += length;
}

// Walks the current message; false on an illegal operation.
inline bool WalkMessage(std::int32_t handle, WalkCount& count) {
    ++count.messages;
    ReadLong(handle);
    while (true) {
        const std::int32_t operation = ReadByte(handle);
        switch (operation) {
        case -1:
        case 1:
        case 8:
            return true;
        case 2:
            ReadLong(handle);
            while (true) {
                const std::int32_t inner = ReadByte(handle);
                if (inner == 3) {
                    ReadShort(handle);
                    SkipString(handle, count);
                } else if (inner == 4) {
                    ReadBaseline(handle);
                } else if (inner == 8) {
                    ReadLong(handle);
                    ReadLong(handle);
                    break;
                } else {
                    return false;
                }
            }
            break;
        case 5:
            ReadLong(handle);
            SkipString(handle, count);
            break;
        case 7:
            ReadSnapshot(handle);
            break;
        default:
            return false;
        }
    }
}

// Reads a whole demo; the number of messages, or 0 when it cannot be opened.
inline WalkCount WalkWholeDemo(const char* path) {
    WalkCount count;
    const std::int32_t handle = OpenDemoFile(path);
    if (handle == 0) {
        return count;
    }
    while (ReadNextMessage(handle) == 0 && WalkMessage(handle, count)) {
    }
    CloseDemoFile(handle);
    return count;
}

} // namespace fenlark::bench
