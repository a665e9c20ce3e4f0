// A sink that asks for only some fields gets exactly those fields with the
// values a full reading gives, and the reading of every snapshot and baseline
// still ends at the same bit, so everything after it reads the same.

#include "DemoWriter.h"
#include "RecordingSink.h"
#include "TempDemo.h"
#include "Walker.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace fenlark::test {
namespace {

namespace fs = std::filesystem;
using demoreader::DemoReader;
using demoreader::EntityChange;
using demoreader::MessageStatus;
using demoreader::WalkEnd;

// What the walk of one message met: the bit position and outcome after each
// operation, and everything the delta decoders handed over.
struct Seen {
    std::vector<std::pair<std::uint32_t, bool>> operations;
    std::vector<std::pair<unsigned, std::uint32_t>> player;
    std::vector<PlayerArrayValue> arrays;
    std::vector<std::pair<unsigned, EntityChange>> entities;
    std::vector<EntityFieldValue> fields;
    WalkEnd end = WalkEnd::EndOfMessage;
};

class Collector : public demoreader::NullMessageVisitor {
public:
    Collector(const DemoReader& reader, Seen& seen) : reader_(reader), seen_(seen) {}
    void configstring(std::int32_t /*index*/, std::string_view /*text*/) { mark(true); }
    void serverCommand(std::int32_t /*sequence*/, std::string_view /*text*/) { mark(true); }
    void baseline(bool ok) { mark(ok); }
    void snapshot(bool ok) { mark(ok); }
    void playerField(unsigned index, std::uint32_t value) {
        seen_.player.emplace_back(index, value);
    }
    void playerArray(unsigned array, unsigned index, std::int32_t value) {
        seen_.arrays.emplace_back(array, index, value);
    }
    void entity(unsigned number, EntityChange change) {
        seen_.entities.emplace_back(number, change);
    }
    void entityField(unsigned number, unsigned index, std::uint32_t value) {
        seen_.fields.emplace_back(number, index, value);
    }

private:
    void mark(bool ok) { seen_.operations.emplace_back(reader_.bitPosition(), ok); }
    const DemoReader& reader_;
    Seen& seen_;
};

// Every third entity field, from field 1 on, and no player-state fields.
constexpr std::uint64_t ChosenFields = 0x4924924924924924u >> 1;

struct ChoosyCollector : Collector {
    using Collector::Collector;
    static constexpr bool WantsPlayerFields = false;
    std::uint64_t wantedEntityFields() const { return ChosenFields; }
};

// Reads the demo twice side by side, fully and choosily, and compares each
// message. Returns the number of messages compared.
std::uint64_t CompareReadings(const std::string& path) {
    auto full = DemoReader::open(path.c_str());
    auto choosy = DemoReader::open(path.c_str());
    if (!full || !choosy) {
        ADD_FAILURE() << "cannot open " << path;
        return 0;
    }
    std::uint64_t messages = 0;
    for (;;) {
        const MessageStatus status = full->readNextMessage();
        if (choosy->readNextMessage() != status) {
            ADD_FAILURE() << path << ": the statuses part at message " << messages;
            return messages;
        }
        if (status != MessageStatus::Ready) {
            return messages;
        }
        ++messages;
        Seen all;
        Seen some;
        Collector allVisitor(*full, all);
        ChoosyCollector someVisitor(*choosy, some);
        all.end = demoreader::WalkMessage(*full, allVisitor);
        some.end = demoreader::WalkMessage(*choosy, someVisitor);

        std::vector<EntityFieldValue> expected;
        std::copy_if(all.fields.begin(), all.fields.end(), std::back_inserter(expected),
                     [](const EntityFieldValue& field) {
                         return (ChosenFields >> std::get<1>(field) & 1u) != 0;
                     });
        const bool same = some.operations == all.operations && some.end == all.end &&
                          some.player.empty() && some.arrays == all.arrays &&
                          some.entities == all.entities && some.fields == expected &&
                          choosy->bitPosition() == full->bitPosition();
        if (!same) {
            ADD_FAILURE() << path << ": message " << messages << " reads differently";
            return messages;
        }
        if (all.end != WalkEnd::EndOfMessage) {
            return messages;
        }
    }
}

// Crafted demos of each protocol of the writer: every field of both tables
// changed, with floats in both forms and integers of full width.
class FieldChoiceCrafted : public testing::TestWithParam<int> {};

std::uint32_t CraftedValue(int width, unsigned index) {
    if (width == 0) {
        const float values[] = {-4096.0f, 0.5f, 4095.0f, -1.0e9f, 3.0f};
        return FloatBits(values[index % 5]);
    }
    const unsigned bits = static_cast<unsigned>(width < 0 ? -width : width);
    return bits == 32 ? 0x89ABCDEFu - index : (1u << bits) - 1u - (index & 3u);
}

TEST_P(FieldChoiceCrafted, GivesTheChosenFieldsAndEndsWhereAFullReadingEnds) {
    const int protocol = GetParam();
    const demoreader::ProtocolInfo& info = demoreader::ProtocolByNumber(protocol);
    EntityDelta entity;
    for (unsigned i = 0; i < info.entityFields.size(); ++i) {
        entity.fields.push_back({i, CraftedValue(info.entityFields[i].bits, i)});
    }
    Gamestate gamestate;
    entity.number = 7;
    gamestate.baselines = {entity};
    Snapshot snapshot;
    snapshot.serverTime = 5000;
    for (unsigned i = 0; i < info.playerFields.size(); ++i) {
        snapshot.player.fields.push_back({i, CraftedValue(info.playerFields[i].bits, i + 1)});
    }
    snapshot.player.arrays[1].emplace_back(0, 12);
    entity.number = 100;
    EntityDelta sparse;
    sparse.number = 101;
    sparse.fields = {{1, 0}, {4, FloatBits(0.25f)}, {10, 9}};
    snapshot.entities = {entity, sparse};

    const TempDemo demo(DemoBuilder()
                            .record(1, GamestateMessage(gamestate, protocol))
                            .record(2, SnapshotMessage(snapshot, protocol, {{3, "print x\n"}}))
                            .record(3, SnapshotMessage(snapshot, protocol))
                            .endMarker()
                            .bytes(),
                        ".dm_" + std::to_string(protocol));
    EXPECT_EQ(CompareReadings(demo.path()), 3u);
}

INSTANTIATE_TEST_SUITE_P(Protocols, FieldChoiceCrafted, testing::Values(66, 68, 71, 73, 90, 91));

// One real demo of each format, the old uncompressed ones included.
TEST(FieldChoiceReal, GivesTheChosenFieldsAndEndsWhereAFullReadingEnds) {
    const std::vector<fs::path> demos = {
        DemoFolder / "q3_dm3_dm48" / "udt_dm3_duel.dm3",
        DemoFolder / "q3_dm3_dm48" / "udt_dm_48_duel.dm_48",
        DemoFolder / "dm_66" / "udt_dm_66_67_2001_-_Duel_3_(WCG).dm_66",
        DemoFolder / "dm_68" / "udt_dm_68_cpma_team_chat.dm_68",
        DemoFolder / "dm_73" / "udt_truncated.dm_73",
        DemoFolder / "dm_90" / "udt_dm_90_team_chat_online.dm_90",
        DemoFolder / "dm_91" / "udt_dm_91_duel.dm_91",
    };
    if (!fs::exists(demos.front())) {
        GTEST_SKIP() << "no demo folder at " << DemoFolder;
    }
    for (const fs::path& demo : demos) {
        EXPECT_GT(CompareReadings(demo.string()), 100u) << demo;
    }
}

} // namespace
} // namespace fenlark::test
