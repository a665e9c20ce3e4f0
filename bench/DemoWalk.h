#pragma once
// Whole demos read for the benchmarks through the message walk, keeping
// nothing but counts. Two ways: on the C++ reader, as the tool reads, or on
// the C interface one call per value and strings byte by byte, as a C caller
// reads.

#include "demoreader/MessageWalk.h"
#include "demoreader/demoreader.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace fenlark::bench {

struct WalkCount {
    std::uint64_t messages = 0;
    std::uint64_t stringBytes = 0;
};

enum class WalkPath { MessageWalk, CInterface };

// The walk's reads on an open C handle. The C calls hand out no decoded
// fields, so the sink given to readBaseline and readSnapshot sees nothing.
class CInterfaceReader {
public:
    explicit CInterfaceReader(std::int32_t handle) : handle_(handle) {}
    std::int32_t readLong() { return ReadLong(handle_); }
    std::int32_t readShort() { return ReadShort(handle_); }
    std::int32_t readByte() { return ReadByte(handle_); }
    std::size_t readString(char* text, std::size_t capacity) {
        std::size_t length = 0;
        for (std::int32_t c = 0; length < capacity && (c = ReadByte(handle_)) > 0;) {
            text[length++] = static_cast<char>(c);
        }
        return length;
    }
    template <class Sink> bool readBaseline(Sink& /*sink*/) { return ReadBaseline(handle_) == 0; }
    template <class Sink> bool readSnapshot(Sink& /*sink*/) { return ReadSnapshot(handle_) == 0; }

private:
    std::int32_t handle_;
};

struct CountingVisitor : demoreader::NullMessageVisitor {
    explicit CountingVisitor(WalkCount& total) : count(total) {}
    void messageBegin(std::int32_t /*acknowledge*/) { ++count.messages; }
    void configstring(std::int32_t /*index*/, std::string_view text) {
        count.stringBytes += text.size();
    }
    void serverCommand(std::int32_t /*sequence*/, std::string_view text) {
        count.stringBytes += text.size();
    }
    WalkCount& count;
};

// Walks the current message; false when it held an illegal operation (the
// tool stops reading the demo there).
template <class Reader> bool WalkOneMessage(Reader& reader, WalkCount& count) {
    CountingVisitor visitor(count);
    return demoreader::WalkMessage(reader, visitor) == demoreader::WalkEnd::EndOfMessage;
}

// Reads a whole demo; nothing counted when it cannot be opened.
inline WalkCount WalkWholeDemo(const char* path, WalkPath how) {
    WalkCount count;
    if (how == WalkPath::MessageWalk) {
        const auto reader = demoreader::DemoReader::open(path);
        if (reader) {
            while (reader->readNextMessage() == demoreader::MessageStatus::Ready &&
                   WalkOneMessage(*reader, count)) {
            }
        }
        return count;
    }
    const std::int32_t handle = OpenDemoFile(path);
    if (handle == 0) {
        return count;
    }
    CInterfaceReader reader(handle);
    while (ReadNextMessage(handle) == 0 && WalkOneMessage(reader, count)) {
    }
    CloseDemoFile(handle);
    return count;
}

} // namespace fenlark::bench
