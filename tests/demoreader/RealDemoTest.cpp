// Every real demo of the shared demo folder: read to its end (or to its known
// damage) with every operation consumed where it should be, and what was read
// compared with the independent readings kept beside the demos.

#include "FlatJson.h"
#include "RecordingSink.h"
#include "Walker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace fenlark::test {
namespace {

namespace fs = std::filesystem;
using demoreader::MessageStatus;

const fs::path DemoFolder = FENLARK_SHARED_DEMOS;

std::string ReadWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Demos of the Quake III family (every protocol this library reads).
std::vector<std::string> FindDemos() {
    std::vector<std::string> names;
    std::error_code error;
    for (const char* folder :
         {"dm_66", "dm_67", "dm_68", "dm_73", "dm_90", "dm_91", "recorded", "q3_dm3_dm48"}) {
        for (const auto& entry : fs::directory_iterator(DemoFolder / folder, error)) {
            const std::string extension = entry.path().extension().string();
            if (extension.rfind(".dm_", 0) == 0 || extension == ".dm3") {
                names.push_back((fs::path(folder) / entry.path().filename()).string());
            }
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The damage documented for the few irregular files; every other file ends
// with its end marker.
struct KnownDamage {
    MessageStatus status;
    std::vector<std::pair<std::uint64_t, int>> illegal;
};
KnownDamage ExpectedEnd(const std::string& file) {
    if (file == "udt_truncated.dm_68") {
        return {MessageStatus::EndWithoutMarker, {}};
    }
    if (file == "udt_truncated.dm_73" || file == "evil-v-Spart1e-sinister-21618-truncated.dm_73") {
        return {MessageStatus::Truncated, {}};
    }
    if (file == "udt_invalid_command_byte.dm_68") {
        // Operation byte 0 inside the first gamestate, then a garbage header.
        return {MessageStatus::BadLength, {{1, 0}}};
    }
    return {MessageStatus::EndMarker, {}};
}

// Bytes as Latin-1 characters, written as UTF-8 (the form of the truth files).
std::string Latin1ToUtf8(const std::string& bytes) {
    std::string out;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x80) {
            out.push_back(c);
        } else {
            out.push_back(static_cast<char>(0xC0 | u >> 6));
            out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        }
    }
    return out;
}

std::string TestName(const testing::TestParamInfo<std::string>& info) {
    std::string name = info.param;
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) {
            c = '_';
        }
    }
    return name;
}

class RealDemo : public testing::TestWithParam<std::string> {
protected:
    fs::path path() const { return DemoFolder / GetParam(); }
    std::string file() const { return path().filename().string(); }
};
class RealDemoWithTruth : public RealDemo {};
class RecordedDemo : public RealDemo {};

fs::path TruthFile(const std::string& demo) {
    return DemoFolder / "truth" / (fs::path(demo).filename().string() + ".txt");
}
fs::path EngineTruthFile(const std::string& demo) {
    return (DemoFolder / demo).replace_extension(".truth.json");
}
std::vector<std::string> DemosWith(fs::path (*truth)(const std::string&)) {
    std::vector<std::string> found;
    for (const std::string& demo : FindDemos()) {
        if (fs::exists(truth(demo))) {
            found.push_back(demo);
        }
    }
    return found;
}

TEST(RealDemoFolder, IsPresent) {
    if (!fs::is_directory(DemoFolder)) {
        GTEST_SKIP() << "no demo folder at " << DemoFolder;
    }
    EXPECT_GE(FindDemos().size(), 34u);
}

TEST_P(RealDemo, ReadsEveryMessageToItsEnd) {
    const WalkResult walk = WalkDemo(path().string());
    ASSERT_TRUE(walk.opened);
    const KnownDamage expected = ExpectedEnd(file());
    EXPECT_EQ(walk.status, static_cast<std::int32_t>(expected.status));
    EXPECT_EQ(walk.illegal, expected.illegal);
    EXPECT_TRUE(walk.misplaced.empty())
        << walk.misplaced.size() << " messages end off their last byte, first "
        << walk.misplaced.front();
    EXPECT_TRUE(walk.damaged.empty())
        << "first damaged snapshot in message " << walk.damaged.front();
    // Every record after the gamestate carries one snapshot.
    if (expected.illegal.empty()) {
        EXPECT_EQ(walk.snapshots + 1, walk.messages);
    }
}

// The truth file: "CS <index> <text>" for the first gamestate and
// "SC <sequence> <text>" for every server command, texts as Latin-1 in UTF-8;
// comment lines start with "# ".
TEST_P(RealDemoWithTruth, MatchesTheIndependentReading) {
    const fs::path truthPath = TruthFile(GetParam());
    std::string truth;
    std::uint64_t truthMessages = 0;
    std::uint64_t truthCommands = 0;
    std::istringstream lines(ReadWhole(truthPath));
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("# messages ", 0) == 0) {
            std::sscanf(line.c_str(), "# messages %lu, server commands %lu", &truthMessages,
                        &truthCommands);
        }
        if (line.rfind("# ", 0) != 0) {
            truth += line + "\n";
        }
    }

    const WalkResult walk = WalkDemo(path().string());
    std::string ours;
    for (const auto& [index, text] : walk.configstrings) {
        ours += "CS " + std::to_string(index) + " " + Latin1ToUtf8(text) + "\n";
    }
    for (const auto& [sequence, text] : walk.commands) {
        ours += "SC " + std::to_string(sequence) + " " + Latin1ToUtf8(text) + "\n";
    }
    EXPECT_EQ(ours, truth);
    EXPECT_EQ(walk.messages, truthMessages);
    EXPECT_EQ(walk.commands.size(), truthCommands);
}

// The recordings carry what the engine itself printed while recording and
// playing them back.
TEST_P(RecordedDemo, MatchesWhatTheEngineSaw) {
    const fs::path truthPath = EngineTruthFile(GetParam());
    const FlatJson truth(ReadWhole(truthPath));
    const WalkResult walk = WalkDemo(path().string());

    JsonObject ours;
    for (const auto& [index, value] : walk.configstrings) {
        ours[std::to_string(index)] = value;
    }
    EXPECT_EQ(ours, truth.object("configstrings_at_record_start"));

    const JsonObject counts = truth.object("svc_counts");
    EXPECT_EQ(std::to_string(walk.messages), counts.at("END OF MESSAGE"));
    EXPECT_EQ(std::to_string(walk.snapshots), counts.at("svc_snapshot"));
    EXPECT_EQ(std::to_string(walk.commands.size()), counts.at("svc_serverCommand"));

    // Every command the engine executed from the file, with its text.
    std::map<std::int32_t, std::string> decoded(walk.commands.begin(), walk.commands.end());
    for (const JsonObject& command : truth.objects("commands")) {
        const std::int32_t sequence = std::stoi(command.at("seq"));
        ASSERT_TRUE(decoded.count(sequence)) << sequence;
        // The engine's log line loses a command's final newline.
        std::string executed = decoded[sequence];
        if (!executed.empty() && executed.back() == '\n') {
            executed.pop_back();
        }
        EXPECT_EQ(executed, command.at("text"));
    }
}

// Snapshot server times grow through a demo (a map restart aside, which the
// real files do not hold), and the reader keeps the first and last.
TEST_P(RealDemo, KeepsSnapshotServerTimes) {
    const std::int32_t handle = OpenDemoFile(path().string().c_str());
    ASSERT_NE(handle, 0);
    demoreader::DemoReader* reader = demoreader::ReaderForHandle(handle);
    std::int32_t previous = INT32_MIN;
    std::uint64_t decreases = 0;
    while (ReadNextMessage(handle) == 0) {
        const std::uint64_t before = reader->snapshotCount();
        ReadLong(handle);
        for (std::int32_t op = ReadByte(handle); op == 5 || op == 7 || op == 2;
             op = ReadByte(handle)) {
            if (op == 5) {
                ReadLong(handle);
                ReadDemoString(handle, 1u << 20);
            } else if (op == 7) {
                ReadSnapshot(handle);
            } else {
                break; // the gamestate is covered by the walker
            }
        }
        if (reader->snapshotCount() != before) {
            const std::int32_t time = *reader->lastSnapshotServerTime();
            decreases += time < previous ? 1 : 0;
            previous = time;
        }
    }
    EXPECT_EQ(decreases, 0u);
    if (file() != "udt_invalid_command_byte.dm_68") {
        ASSERT_TRUE(reader->firstSnapshotServerTime().has_value());
        EXPECT_LT(*reader->firstSnapshotServerTime(), *reader->lastSnapshotServerTime());
    }
    CloseDemoFile(handle);
}

// The start of one real demo, bit for bit: the gamestate record ends where
// its writer left it, and the first snapshot decodes to known values.
TEST(RealDemoStart, DecodesTheFirstSnapshotOfACpmaDemo) {
    const fs::path path = DemoFolder / "dm_68" / "udt_dm_68_cpma_core_gameplay_dev.dm_68";
    if (!fs::exists(path)) {
        GTEST_SKIP() << "no demo folder";
    }
    auto reader = demoreader::DemoReader::open(path.string().c_str());
    ASSERT_TRUE(reader);
    ASSERT_EQ(reader->readNextMessage(), MessageStatus::Ready);
    EXPECT_EQ(reader->messageSequence(), 1013);
    EXPECT_EQ(reader->messageLength(), 9191u);
    EXPECT_EQ(reader->readLong(), 41);
    EXPECT_EQ(reader->readByte(), 2);
    EXPECT_EQ(reader->readLong(), 23);
    int configstrings = 0;
    int baselines = 0;
    for (std::int32_t op = reader->readByte(); op != 8; op = reader->readByte()) {
        if (op == 3) {
            ++configstrings;
            reader->readShort();
            while (reader->readByte() > 0) {
            }
        } else {
            ASSERT_EQ(op, 4);
            ++baselines;
            ASSERT_TRUE(reader->readBaseline());
        }
    }
    EXPECT_EQ(configstrings, 30);
    EXPECT_EQ(baselines, 84);
    EXPECT_EQ(reader->bitPosition(), 73474u);
    EXPECT_EQ(reader->readLong(), 0);
    EXPECT_EQ(reader->readLong(), 1378828542);
    EXPECT_EQ(reader->readByte(), 8);
    EXPECT_EQ(reader->bitPosition(), 73520u);

    ASSERT_EQ(reader->readNextMessage(), MessageStatus::Ready);
    EXPECT_EQ(reader->messageSequence(), 1016);
    EXPECT_EQ(reader->readLong(), 41);
    EXPECT_EQ(reader->readByte(), 7);
    RecordingSink sink;
    ASSERT_TRUE(reader->readSnapshot(sink));
    EXPECT_EQ(sink.header.serverTime, 34456);
    EXPECT_EQ(sink.header.deltaNumber, 0);
    EXPECT_EQ(sink.header.flags, 4);
    ASSERT_EQ(sink.header.areaMaskLength, 1);
    EXPECT_EQ(sink.header.areaMask[0], 254);
    ASSERT_GE(sink.player.size(), 3u);
    EXPECT_EQ(sink.player[0], (std::pair<unsigned, std::uint32_t>(0, 34409)));
    EXPECT_EQ(sink.player[1], (std::pair<unsigned, std::uint32_t>(1, 0x44995024)));
    EXPECT_EQ(sink.player[2], (std::pair<unsigned, std::uint32_t>(2, 0x42AE4DEE)));
    const std::vector<PlayerArrayValue> stats(sink.arrays.begin(), sink.arrays.begin() + 5);
    EXPECT_EQ(stats, (std::vector<PlayerArrayValue>{
                         {0, 0, 100}, {0, 2, 1022}, {0, 3, 200}, {0, 9, 2}, {0, 13, 1}}));
    EXPECT_EQ(sink.entities.size(), 25u);
    EXPECT_EQ(reader->bitPosition(), 942u);
    EXPECT_EQ(reader->readByte(), 8);
    EXPECT_EQ(reader->bitPosition(), 947u);
    EXPECT_EQ(reader->lastSnapshotServerTime(), 34456);
}

INSTANTIATE_TEST_SUITE_P(Files, RealDemo, testing::ValuesIn(FindDemos()), TestName);
INSTANTIATE_TEST_SUITE_P(Files, RealDemoWithTruth, testing::ValuesIn(DemosWith(TruthFile)),
                         TestName);
INSTANTIATE_TEST_SUITE_P(Files, RecordedDemo, testing::ValuesIn(DemosWith(EngineTruthFile)),
                         TestName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(RealDemo);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(RealDemoWithTruth);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(RecordedDemo);

} // namespace
} // namespace fenlark::test
