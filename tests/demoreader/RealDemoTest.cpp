// Every real demo of the shared demo folder: read to its end (or to its known
// damage) with every operation consumed where it should be, and what was read
// compared with the independent readings kept beside the demos.

#include "RecordingSink.h"
#include "Walker.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <map>

namespace fenlark::test {
namespace {

namespace fs = std::filesystem;
using demoreader::MessageStatus;

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

std::string TestName(const testing::TestParamInfo<std::string>& info) {
    std::string name = info.param;
    std::replace_if(
        name.begin(), name.end(), [](unsigned char c) { return !std::isalnum(c); }, '_');
    return name;
}

// The independent reading in truth/: "CS <index> <text>" for the first
// gamestate and "SC <sequence> <text>" for every server command, texts as
// Latin-1 in UTF-8; comment lines start with "# ".
void ExpectIndependentReading(const fs::path& truthPath, const WalkResult& walk) {
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
    std::string ours;
    for (const auto& [index, text] : walk.configstrings) {
        ours +=
            "CS " + std::to_string(index) + " " + QString::fromLatin1(text).toStdString() + "\n";
    }
    for (const auto& [sequence, text] : walk.commands) {
        ours +=
            "SC " + std::to_string(sequence) + " " + QString::fromLatin1(text).toStdString() + "\n";
    }
    EXPECT_EQ(ours, truth);
    EXPECT_EQ(walk.messages, truthMessages);
    EXPECT_EQ(walk.commands.size(), truthCommands);
}

// The recordings carry what the engine itself printed while recording and
// playing them back.
void ExpectWhatTheEngineSaw(const fs::path& truthPath, const WalkResult& walk) {
    QFile file(QString::fromStdString(truthPath.string()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject truth = QJsonDocument::fromJson(file.readAll()).object();

    QJsonObject ours;
    for (const auto& [index, value] : walk.configstrings) {
        ours[QString::number(index)] = QString::fromLatin1(value);
    }
    const auto text = [](const QJsonObject& object) {
        return QJsonDocument(object).toJson().toStdString();
    };
    EXPECT_EQ(text(ours), text(truth["configstrings_at_record_start"].toObject()));

    const QJsonValue counts = truth["playback"]["svc_counts"];
    EXPECT_EQ(walk.messages, counts["END OF MESSAGE"].toInteger());
    EXPECT_EQ(walk.snapshots, counts["svc_snapshot"].toInteger());
    EXPECT_EQ(walk.commands.size(), counts["svc_serverCommand"].toInteger());

    // Every command the engine executed from the file, with its text.
    std::map<std::int32_t, std::string> decoded(walk.commands.begin(), walk.commands.end());
    for (const QJsonValue command : truth["server_commands_live"]["commands"].toArray()) {
        const auto sequence = static_cast<std::int32_t>(command["seq"].toInteger());
        ASSERT_TRUE(decoded.count(sequence)) << sequence;
        // The engine's log line loses a command's final newline.
        QString executed = QString::fromLatin1(decoded[sequence]);
        if (executed.endsWith('\n')) {
            executed.chop(1);
        }
        EXPECT_EQ(executed.toStdString(), command["text"].toString().toStdString());
    }
}

class RealDemo : public testing::TestWithParam<std::string> {};

TEST(RealDemoFolder, IsPresent) {
    if (!fs::is_directory(DemoFolder)) {
        GTEST_SKIP() << "no demo folder at " << DemoFolder;
    }
    EXPECT_GE(FindDemos().size(), 34u);
}

TEST_P(RealDemo, ReadsEveryMessageToItsEndAsTheTruthSays) {
    const fs::path path = DemoFolder / GetParam();
    const WalkResult walk = WalkDemo(path.string());
    ASSERT_TRUE(walk.opened);
    const KnownDamage expected = ExpectedEnd(path.filename().string());
    EXPECT_EQ(walk.status, static_cast<std::int32_t>(expected.status));
    EXPECT_EQ(walk.illegal, expected.illegal);
    EXPECT_TRUE(walk.misplaced.empty())
        << walk.misplaced.size() << " messages end off their last byte, first "
        << walk.misplaced.front();
    EXPECT_TRUE(walk.damaged.empty())
        << "first damaged snapshot in message " << walk.damaged.front();
    // Snapshot server times grow through a demo (a map restart aside, which
    // the real files do not hold).
    EXPECT_EQ(walk.timeDecreases, 0u);
    if (expected.illegal.empty()) {
        // Every record after the gamestate carries one snapshot.
        EXPECT_EQ(walk.snapshots + 1, walk.messages);
        ASSERT_TRUE(walk.firstTime.has_value());
        EXPECT_LT(*walk.firstTime, *walk.lastTime);
    }

    const fs::path truth = DemoFolder / "truth" / (path.filename().string() + ".txt");
    if (fs::exists(truth)) {
        ExpectIndependentReading(truth, walk);
    }
    const fs::path engineTruth = fs::path(path).replace_extension(".truth.json");
    if (fs::exists(engineTruth)) {
        ExpectWhatTheEngineSaw(engineTruth, walk);
    }
}

// The first snapshot of one real demo, bit for bit, against known values.
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
}

INSTANTIATE_TEST_SUITE_P(Files, RealDemo, testing::ValuesIn(FindDemos()), TestName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(RealDemo);

} // namespace
} // namespace fenlark::test
