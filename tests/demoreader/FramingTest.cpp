// Splitting files into messages: the end marker, every way a file can be cut
// or damaged, the protocol chosen by the extension, and the handles of the C
// interface.

#include "DemoWriter.h"
#include "TempDemo.h"

#include "demoreader/DemoReader.h"
#include "demoreader/demoreader.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>

namespace fenlark::test {
namespace {

using demoreader::MessageStatus;

std::vector<std::uint8_t> SmallMessage() {
    MessageWriter writer;
    writer.acknowledge(3);
    writer.end();
    return writer.finish();
}

// Reads every message and returns the final status and how many were ready.
std::pair<std::int32_t, int> ReadAll(const std::string& bytes) {
    const TempDemo demo(bytes);
    const std::int32_t handle = OpenDemoFile(demo.c_str());
    EXPECT_NE(handle, 0);
    int ready = 0;
    std::int32_t status = 0;
    while ((status = ReadNextMessage(handle)) == 0) {
        ++ready;
        EXPECT_EQ(ReadLong(handle), 3);
        EXPECT_EQ(ReadByte(handle), 8);
    }
    // Once ended, the demo stays ended and its message stays empty.
    EXPECT_EQ(ReadNextMessage(handle), status);
    EXPECT_EQ(ReadLong(handle), -1);
    EXPECT_EQ(ReadShort(handle), -1);
    EXPECT_EQ(ReadByte(handle), -1);
    EXPECT_EQ(ReadSnapshot(handle), -1);
    EXPECT_EQ(ReadBaseline(handle), -1);
    EXPECT_EQ(ReadByte(handle), -1);
    EXPECT_EQ(CloseDemoFile(handle), 0);
    return {status, ready};
}

TEST(Framing, StatusTellsHowTheDemoEnded) {
    const auto message = SmallMessage();
    const std::string two = DemoBuilder().record(1, message).record(2, message).bytes();
    struct Case {
        const char* what;
        std::string bytes;
        MessageStatus status;
        int ready;
    };
    const std::vector<Case> cases = {
        {"end marker", DemoBuilder(two).endMarker().bytes(), MessageStatus::EndMarker, 2},
        {"end marker with any sequence", DemoBuilder(two).header(77, -1).bytes(),
         MessageStatus::EndMarker, 2},
        {"bytes after the end marker are ignored",
         DemoBuilder(two).endMarker().raw(std::string(16, 'z')).endMarker().bytes(),
         MessageStatus::EndMarker, 2},
        {"no end marker", two, MessageStatus::EndWithoutMarker, 2},
        {"empty file", "", MessageStatus::EndWithoutMarker, 0},
        {"header cut", two + std::string(5, '\0'), MessageStatus::Truncated, 2},
        {"payload cut", DemoBuilder(two).header(3, 100).raw(std::string(99, 'a')).bytes(),
         MessageStatus::Truncated, 2},
        {"negative length", DemoBuilder(two).header(3, -2).bytes(), MessageStatus::BadLength, 2},
        {"most negative length", DemoBuilder(two).header(3, INT32_MIN).bytes(),
         MessageStatus::BadLength, 2},
        {"length above the maximum",
         DemoBuilder(two).header(3, 16385).raw(std::string(16385, 'a')).bytes(),
         MessageStatus::BadLength, 2},
        {"absurd length", DemoBuilder().header(3, INT32_MAX).bytes(), MessageStatus::BadLength, 0},
    };
    for (const Case& c : cases) {
        const auto [status, ready] = ReadAll(c.bytes);
        EXPECT_EQ(status, static_cast<std::int32_t>(c.status)) << c.what;
        EXPECT_EQ(ready, c.ready) << c.what;
    }
}

TEST(Framing, LengthsUpToTheMaximumAreMessages) {
    for (const std::int32_t length : {0, 1, 16384}) {
        const TempDemo demo(DemoBuilder()
                                .header(9, length)
                                .raw(std::string(static_cast<std::size_t>(length), '\0'))
                                .endMarker()
                                .bytes());
        auto reader = demoreader::DemoReader::open(demo.c_str());
        ASSERT_EQ(reader->readNextMessage(), MessageStatus::Ready) << length;
        EXPECT_EQ(reader->messageLength(), static_cast<std::uint32_t>(length));
        // Zero bits decode as byte 0xD0 (code 000000000) until the end.
        int reads = 0;
        for (std::int32_t value = reader->readByte(); value != -1; value = reader->readByte()) {
            EXPECT_EQ(value, 0xD0);
            ++reads;
        }
        EXPECT_EQ(reads, length == 0 ? 0 : (8 * length - 1) / 9) << length;
        EXPECT_EQ(reader->readNextMessage(), MessageStatus::EndMarker);
    }
}

TEST(Framing, MissingFileGivesNoHandle) {
    EXPECT_EQ(OpenDemoFile("/nonexistent/folder/demo.dm_68"), 0);
    EXPECT_EQ(OpenDemoFile(nullptr), 0);
}

TEST(Framing, ProtocolComesFromTheExtension) {
    using demoreader::ProtocolFromPath;
    const std::vector<std::pair<const char*, int>> cases = {
        {"a.dm_66", 66},     {"a.dm_67", 67},        {"C:\\x\\b.DM_68", 68}, {"a.dm_71", 71},
        {"a.dm_73", 73},     {"a.Dm_90", 90},        {"a.dm_91", 91},        {"a.dm_48", 48},
        {"old.dm3", 45},     {"a.dm_69", 68},        {"a.dm_", 68},          {"a.dm_6x", 68},
        {"noextension", 68}, {"dir.dm_91/file", 68}, {"a.dm_90.txt", 68},    {"a.dm_0000091", 68},
    };
    for (const auto& [path, protocol] : cases) {
        EXPECT_EQ(ProtocolFromPath(path).number, protocol) << path;
    }
}

TEST(Handles, SeveralDemosReadSideBySide) {
    const auto message = SmallMessage();
    const TempDemo one(DemoBuilder().record(1, message).endMarker().bytes());
    const TempDemo two(DemoBuilder().record(1, message).record(2, message).endMarker().bytes());
    const std::int32_t first = OpenDemoFile(one.c_str());
    const std::int32_t second = OpenDemoFile(two.c_str());
    const std::int32_t again = OpenDemoFile(one.c_str());
    ASSERT_GT(first, 0);
    ASSERT_GT(second, 0);
    ASSERT_GT(again, 0);
    EXPECT_NE(first, second);
    EXPECT_NE(first, again);
    EXPECT_EQ(ReadNextMessage(first), 0);
    EXPECT_EQ(ReadNextMessage(second), 0);
    EXPECT_EQ(ReadLong(first), 3);
    EXPECT_EQ(ReadNextMessage(again), 0);
    EXPECT_EQ(ReadNextMessage(first), 1);
    EXPECT_EQ(ReadLong(second), 3);
    EXPECT_EQ(ReadNextMessage(second), 0);
    EXPECT_EQ(ReadNextMessage(second), 1);
    for (const std::int32_t handle : {first, second, again}) {
        EXPECT_EQ(CloseDemoFile(handle), 0);
        // A closed handle answers without reading anything.
        EXPECT_EQ(CloseDemoFile(handle), -1);
        EXPECT_EQ(ReadNextMessage(handle), static_cast<std::int32_t>(MessageStatus::InvalidHandle));
        EXPECT_EQ(ReadLong(handle), -1);
        EXPECT_EQ(ReadByte(handle), -1);
        EXPECT_EQ(ReadSnapshot(handle), -1);
    }
    for (const std::int32_t handle : {0, -1, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(ReadNextMessage(handle), static_cast<std::int32_t>(MessageStatus::InvalidHandle));
        EXPECT_EQ(ReadByte(handle), -1);
        EXPECT_EQ(CloseDemoFile(handle), -1);
    }
}

// Callers that never close stay within a fixed number of open readers: the
// one opened longest ago makes room, and its handle is never confused with a
// later one.
TEST(Handles, NeverClosedHandlesAreRecycled) {
    const TempDemo demo(DemoBuilder().record(1, SmallMessage()).endMarker().bytes());
    std::vector<std::int32_t> handles;
    for (int i = 0; i < 3000; ++i) {
        handles.push_back(OpenDemoFile(demo.c_str()));
        ASSERT_GT(handles.back(), 0);
        if (i == 0) {
            // The first reader is the last one used when it is recycled.
            ASSERT_EQ(ReadNextMessage(handles.back()), 0);
        }
    }
    EXPECT_EQ(std::set<std::int32_t>(handles.begin(), handles.end()).size(), handles.size());
    int open = 0;
    for (std::size_t i = 0; i < handles.size(); ++i) {
        const bool live = demoreader::ReaderForHandle(handles[i]) != nullptr;
        open += live ? 1 : 0;
        EXPECT_EQ(live, i + demoreader::MaxOpenHandles >= handles.size()) << i;
    }
    EXPECT_EQ(open, demoreader::MaxOpenHandles);
    EXPECT_EQ(ReadNextMessage(handles.front()),
              static_cast<std::int32_t>(MessageStatus::InvalidHandle));
    EXPECT_EQ(ReadNextMessage(handles.back()), 0);
    for (const std::int32_t handle : handles) {
        CloseDemoFile(handle);
    }
}

} // namespace
} // namespace fenlark::test
