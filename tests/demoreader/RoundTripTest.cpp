// Demos built by the test writer and read back: every kind of value, every
// protocol's tables, the end of a message and what a valid demo never holds.

#include "DemoWriter.h"
#include "RecordingSink.h"
#include "TempDemo.h"
#include "Walker.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>

namespace fenlark::test {
namespace {

using demoreader::DemoReader;
using demoreader::EntityChange;
using demoreader::MessageStatus;

std::string Extension(int protocol) {
    return ".dm_" + std::to_string(protocol);
}

EntityDelta EntityWithout(unsigned number, EntityDelta::Kind kind) {
    EntityDelta entity;
    entity.number = number;
    entity.kind = kind;
    return entity;
}

Gamestate SampleGamestate() {
    Gamestate gamestate;
    gamestate.commandSequence = 17;
    gamestate.configstrings = {{0, "\\sv_hostname\\Test\\mapname\\q3dm17\\protocol\\68"},
                               {1, "\\sv_pure\\0"},
                               {544, "n\\Player\\t\\1\\model\\sarge"},
                               {1023, "last"}};
    const EntityDelta zero = EntityWithout(3, EntityDelta::Kind::Unchanged);
    EntityDelta moved;
    moved.number = 1022;
    moved.fields = {{0, 1234}, {1, FloatBits(-4096.0f)}, {11, 2}, {17, 0x7FFFF}};
    gamestate.baselines = {zero, moved};
    gamestate.clientNumber = 5;
    gamestate.checksumFeed = -123456789;
    return gamestate;
}

// Typed reads keep their sign and width. The escape leaf of the code never
// occurs in valid data; as in the engine it reads as a byte 0.
TEST(RoundTrip, TypedReadsKeepTheirSignAndWidth) {
    MessageWriter writer;
    for (const int value : {0, 1, 127, 128, 254, 255}) {
        writer.byte(value);
    }
    for (const int value : {0, 1, -2, 32767, -32768, 0x1234}) {
        writer.shortValue(value);
    }
    for (const std::int32_t value : {0, 1, INT32_MAX, INT32_MIN, -2, 0x12345678}) {
        writer.longValue(value);
    }
    writer.symbol(256);
    writer.byte(42);
    const TempDemo demo(DemoBuilder().record(0, writer.finish()).bytes());
    auto reader = DemoReader::open(demo.c_str());
    ASSERT_EQ(reader->readNextMessage(), MessageStatus::Ready);
    for (const int value : {0, 1, 127, 128, 254, 255}) {
        EXPECT_EQ(reader->readByte(), value);
    }
    for (const int value : {0, 1, -2, 32767, -32768, 0x1234}) {
        EXPECT_EQ(reader->readShort(), value);
    }
    for (const std::int32_t value : {0, 1, INT32_MAX, INT32_MIN, -2, 0x12345678}) {
        EXPECT_EQ(reader->readLong(), value);
    }
    EXPECT_EQ(reader->readByte(), 0);
    EXPECT_EQ(reader->readByte(), 42);
}

// readString gives what reading byte by byte gives and leaves the reader at
// the same bit: strings ended by their 0, one cut by the capacity, the escape
// symbol (which reads as 0), and a string the message ends inside.
TEST(RoundTrip, ReadStringStopsWhereReadByteStops) {
    MessageWriter writer;
    writer.string("abc");
    writer.string("defghij");
    writer.byte('k');
    writer.symbol(256);
    writer.string("l");
    writer.byte('m');
    writer.byte('n');
    const TempDemo demo(DemoBuilder().record(0, writer.finish()).bytes());
    auto bytewise = DemoReader::open(demo.c_str());
    auto whole = DemoReader::open(demo.c_str());
    ASSERT_EQ(bytewise->readNextMessage(), MessageStatus::Ready);
    ASSERT_EQ(whole->readNextMessage(), MessageStatus::Ready);
    const std::pair<std::size_t, std::string> reads[] = {
        {100, "abc"}, {3, "def"}, {100, "ghij"}, {100, "k"}, {100, "l"}, {100, "mn"}, {100, ""}};
    for (const auto& [capacity, expected] : reads) {
        std::string bytes;
        for (std::int32_t c = 0; bytes.size() < capacity && (c = bytewise->readByte()) > 0;) {
            bytes.push_back(static_cast<char>(c));
        }
        std::array<char, 100> buffer{};
        const std::size_t length = whole->readString(buffer.data(), capacity);
        EXPECT_EQ(std::string(buffer.data(), length), expected);
        EXPECT_EQ(bytes, expected);
        EXPECT_EQ(whole->bitPosition(), bytewise->bitPosition()) << expected;
    }
    EXPECT_EQ(whole->readByte(), -1);
}

// Past its last value a message is exhausted: every read gives -1, also the
// one that ran into the end, and the position stays near the end.
TEST(RoundTrip, ReadsPastTheEndOfAMessageGiveMinusOne) {
    for (const int padding : {0, 1, 7}) {
        MessageWriter writer;
        writer.longValue(7);
        for (int i = 0; i < padding; ++i) {
            writer.bit(false);
        }
        // A multiple of 8 bits leaves a whole padding byte the writer never
        // set; fill it with ones to show it is ignored.
        std::vector<std::uint8_t> payload = writer.finish();
        if (writer.bitCount() % 8 == 0) {
            payload.back() = 0xFF;
        }
        const TempDemo demo(DemoBuilder().record(0, payload).bytes());
        auto reader = DemoReader::open(demo.c_str());
        ASSERT_EQ(reader->readNextMessage(), MessageStatus::Ready);
        EXPECT_EQ(reader->readLong(), 7);
        EXPECT_EQ(reader->readLong(), -1) << padding;
        EXPECT_EQ(reader->readShort(), -1);
        EXPECT_EQ(reader->readByte(), -1);
        EXPECT_FALSE(reader->readSnapshot());
        EXPECT_FALSE(reader->readBaseline());
        EXPECT_EQ(reader->readByte(), -1);
        EXPECT_LE(reader->bitPosition(), reader->messageBits() + 64);
    }
    // A long whose last code word reaches the final bit is complete, but the
    // message is then exhausted: the engine gives -1 and so does the reader.
    MessageWriter writer;
    writer.longValue(0); // four 2-bit codes
    std::vector<std::uint8_t> exact = writer.finish();
    exact.resize(1);
    const TempDemo demo(DemoBuilder().record(0, exact).bytes());
    auto reader = DemoReader::open(demo.c_str());
    ASSERT_EQ(reader->readNextMessage(), MessageStatus::Ready);
    EXPECT_EQ(reader->readLong(), -1);
}

// Every field of every protocol's tables with a value that needs its full
// width (and the sign where the field is signed), and floats in each form.
class ProtocolTables : public testing::TestWithParam<int> {};

std::uint32_t TestValue(int width, unsigned index) {
    if (width == 0) {
        const float values[] = {-4096.0f, 4095.0f, 0.5f, -1.0e9f, 4096.0f, 1.0f, -0.25f};
        return FloatBits(values[index % 7]);
    }
    if (width < 0) {
        return static_cast<std::uint32_t>(-(1 << (-width - 1))); // the most negative value
    }
    return width == 32 ? 0x80000001u : (1u << width) - 1u - (index & 1u);
}

TEST_P(ProtocolTables, EveryFieldRoundTrips) {
    const int protocol = GetParam();
    const demoreader::ProtocolInfo& info = demoreader::ProtocolByNumber(protocol);
    ASSERT_EQ(info.number, protocol);

    Snapshot snapshot;
    snapshot.serverTime = 123456;
    snapshot.deltaNumber = 3;
    snapshot.flags = 4;
    snapshot.areaMask = {1, 2, 255};
    for (unsigned i = 0; i < info.playerFields.size(); ++i) {
        snapshot.player.fields.push_back({i, TestValue(info.playerFields[i].bits, i)});
    }
    for (unsigned i = 0; i < 16; ++i) {
        snapshot.player.arrays[0].emplace_back(i, -32768 + static_cast<std::int32_t>(i));
        snapshot.player.arrays[3].emplace_back(i, INT32_MIN + static_cast<std::int32_t>(i));
    }
    snapshot.player.arrays[2].emplace_back(15, 32767);
    EntityDelta full;
    full.number = 0;
    for (unsigned i = 0; i < info.entityFields.size(); ++i) {
        full.fields.push_back({i, TestValue(info.entityFields[i].bits, i)});
    }
    EntityDelta sparse;
    sparse.number = 500;
    sparse.fields = {{2, FloatBits(0.0f)},
                     {static_cast<unsigned>(info.entityFields.size() - 1), 1}};
    snapshot.entities = {full, sparse, EntityWithout(1021, EntityDelta::Kind::Removed),
                         EntityWithout(1022, EntityDelta::Kind::Unchanged)};

    const TempDemo demo(
        DemoBuilder()
            .record(1, GamestateMessage(SampleGamestate(), protocol))
            .record(2, SnapshotMessage(snapshot, protocol, {{18, "print \"hi\"\n"}}))
            .endMarker()
            .bytes(),
        Extension(protocol));
    const WalkResult walk = WalkDemo(demo.path());
    EXPECT_EQ(walk.status, static_cast<std::int32_t>(MessageStatus::EndMarker));
    EXPECT_EQ(walk.messages, 2u);
    EXPECT_TRUE(walk.misplaced.empty());
    EXPECT_TRUE(walk.damaged.empty());
    EXPECT_TRUE(walk.illegal.empty());
    EXPECT_EQ(walk.configstrings, SampleGamestate().configstrings);
    EXPECT_EQ(walk.commands,
              (std::vector<std::pair<std::int32_t, std::string>>{{18, "print \"hi\"\n"}}));

    // The gamestate's values around its operations, and its baselines.
    auto reader = DemoReader::open(demo.c_str());
    EXPECT_EQ(reader->protocol().number, protocol);
    ASSERT_EQ(reader->readNextMessage(), MessageStatus::Ready);
    EXPECT_EQ(reader->messageSequence(), 1);
    EXPECT_EQ(reader->readLong(), 0);
    EXPECT_EQ(reader->readByte(), 2);
    EXPECT_EQ(reader->readLong(), 17);
    std::int32_t op = reader->readByte();
    for (; op == 3; op = reader->readByte()) {
        reader->readShort();
        while (reader->readByte() > 0) {
        }
    }
    RecordingSink baselines;
    for (; op == 4; op = reader->readByte()) {
        ASSERT_TRUE(reader->readBaseline(baselines));
    }
    EXPECT_EQ(baselines.entities,
              (std::vector<std::pair<unsigned, EntityChange>>{{3, EntityChange::Unchanged},
                                                              {1022, EntityChange::Changed}}));
    // Field 17 keeps as many of the written ones as its width holds.
    const std::uint32_t field17 = 0x7FFFFu >> (19 - info.entityFields[17].bits);
    EXPECT_EQ(
        baselines.entityFields,
        (std::vector<EntityFieldValue>{
            {1022, 0, 1234}, {1022, 1, FloatBits(-4096.0f)}, {1022, 11, 2}, {1022, 17, field17}}));
    EXPECT_EQ(op, 8);
    EXPECT_EQ(reader->readLong(), 5);
    EXPECT_EQ(reader->readLong(), -123456789);
    EXPECT_EQ(reader->readByte(), 8);
    EXPECT_EQ(reader->readByte(), -1);

    ASSERT_EQ(reader->readNextMessage(), MessageStatus::Ready);
    reader->readLong();
    ASSERT_EQ(reader->readByte(), 5);
    reader->readLong();
    while (reader->readByte() > 0) {
    }
    ASSERT_EQ(reader->readByte(), 7);
    RecordingSink sink;
    ASSERT_TRUE(reader->readSnapshot(sink));
    EXPECT_EQ(reader->readByte(), 8);

    EXPECT_EQ(sink.header.serverTime, 123456);
    EXPECT_EQ(sink.header.deltaNumber, 3);
    EXPECT_EQ(sink.header.flags, 4);
    ASSERT_EQ(sink.header.areaMaskLength, 3);
    EXPECT_EQ(sink.header.areaMask[2], 255);
    ASSERT_EQ(sink.player.size(), info.playerFields.size());
    for (unsigned i = 0; i < info.playerFields.size(); ++i) {
        const int width = info.playerFields[i].bits;
        // Narrow signed fields come back sign-extended.
        std::uint32_t expected = TestValue(width, i);
        EXPECT_EQ(sink.player[i].second, expected) << info.playerFields[i].name;
    }
    ASSERT_EQ(sink.arrays.size(), 33u);
    EXPECT_EQ(sink.arrays[0], PlayerArrayValue(0, 0, -32768));
    EXPECT_EQ(sink.arrays[16], PlayerArrayValue(2, 15, 32767));
    EXPECT_EQ(sink.arrays[32], PlayerArrayValue(3, 15, INT32_MIN + 15));

    EXPECT_EQ(sink.entities,
              (std::vector<std::pair<unsigned, EntityChange>>{{0, EntityChange::Changed},
                                                              {500, EntityChange::Changed},
                                                              {1021, EntityChange::Removed},
                                                              {1022, EntityChange::Unchanged}}));
    ASSERT_EQ(sink.entityFields.size(), info.entityFields.size() + 2);
    for (unsigned i = 0; i < info.entityFields.size(); ++i) {
        EXPECT_EQ(sink.entityFields[i],
                  EntityFieldValue(0, i, TestValue(info.entityFields[i].bits, i)))
            << info.entityFields[i].name;
    }
    EXPECT_EQ(sink.entityFields[info.entityFields.size()], EntityFieldValue(500, 2, 0));
    EXPECT_EQ(reader->firstSnapshotServerTime(), 123456);
    EXPECT_EQ(reader->lastSnapshotServerTime(), 123456);
    EXPECT_EQ(reader->lastSnapshot().deltaNumber, 3);
    EXPECT_EQ(reader->snapshotCount(), 1u);
    EXPECT_EQ(reader->messageCount(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Protocols, ProtocolTables, testing::Values(66, 67, 68, 71, 73, 90, 91));

// The library hands out whatever the message holds; judging operation bytes
// and string lengths is the caller's business.
TEST(RoundTrip, IllegalBytesAndLongStringsArePassedThrough) {
    MessageWriter writer;
    writer.acknowledge();
    writer.serverCommand(1, std::string(9000, 'x') + "\x80\xff%");
    for (const int op : {0, 6, 9, 10, 255}) {
        writer.byte(op);
    }
    writer.end();
    const TempDemo demo(DemoBuilder().record(0, writer.finish()).endMarker().bytes());
    const std::int32_t handle = OpenDemoFile(demo.c_str());
    ASSERT_EQ(ReadNextMessage(handle), 0);
    ReadLong(handle);
    ASSERT_EQ(ReadByte(handle), 5);
    EXPECT_EQ(ReadLong(handle), 1);
    EXPECT_EQ(ReadDemoString(handle), std::string(8191, 'x'));
    // The caller stopped after 8191 characters: the rest follows as bytes.
    EXPECT_EQ(ReadDemoString(handle, 100000), std::string(809, 'x') + "\x80\xff%");
    for (const int op : {0, 6, 9, 10, 255, 8}) {
        EXPECT_EQ(ReadByte(handle), op);
    }
    EXPECT_EQ(ReadByte(handle), -1);
    EXPECT_EQ(CloseDemoFile(handle), 0);

    // The walker stops at the first illegal operation of the message.
    const WalkResult walk = WalkDemo(demo.path());
    EXPECT_EQ(walk.illegal, (std::vector<std::pair<std::uint64_t, int>>{{1, 'x'}}));
    EXPECT_EQ(walk.status, static_cast<std::int32_t>(MessageStatus::EndMarker));
}

// Damaged snapshots are reported and end the message; nothing after them is
// read as data.
TEST(RoundTrip, DamagedSnapshotsEndTheMessage) {
    // A snapshot of server time 500 whose header continues with `bytes`, then
    // optionally entity 1 with a field count, and two end bytes.
    const auto damaged = [](std::vector<int> bytes, int entityFieldCount, bool ended) {
        MessageWriter writer;
        writer.acknowledge();
        writer.byte(7);
        writer.longValue(500);
        for (const int value : bytes) {
            writer.byte(value);
        }
        if (entityFieldCount >= 0) {
            writer.bit(false);
            writer.bits(1, 10);
        }
        if (entityFieldCount > 0) {
            writer.bit(false);
            writer.bit(true);
            writer.byte(entityFieldCount);
        }
        if (ended) {
            writer.end();
            writer.end();
        }
        return writer.finish();
    };
    const std::vector<std::vector<std::uint8_t>> payloads = {
        damaged({0, 0, 33}, -1, true),    // area mask longer than 32 bytes
        damaged({0, 0, 0, 49}, -1, true), // player field count beyond the table
        damaged({0, 0, 0, 0}, 52, true),  // entity field count beyond the table
        damaged({0, 0, 0, 0}, 0, false),  // the message ends inside the entity list
    };
    for (const auto& payload : payloads) {
        const TempDemo demo(DemoBuilder().record(0, payload).endMarker().bytes());
        const std::int32_t handle = OpenDemoFile(demo.c_str());
        ASSERT_EQ(ReadNextMessage(handle), 0);
        EXPECT_EQ(ReadLong(handle), 0);
        EXPECT_EQ(ReadByte(handle), 7);
        EXPECT_EQ(ReadSnapshot(handle), -1);
        EXPECT_EQ(ReadByte(handle), -1);
        EXPECT_EQ(ReadLong(handle), -1);
        EXPECT_EQ(demoreader::ReaderForHandle(handle)->snapshotCount(), 0u);
        EXPECT_EQ(ReadNextMessage(handle), 1);
        CloseDemoFile(handle);
    }
}

} // namespace
} // namespace fenlark::test
