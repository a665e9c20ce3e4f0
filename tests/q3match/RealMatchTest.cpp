// Real demos: our own recordings against what the engine and the server's
// log said about them, and the shared demos against facts that their files,
// names and manifest state. Every test skips when its demo is absent.

#include "core/ByteSource.h"
#include "demoreader/DemoReader.h"
#include "demoreader/MessageWalk.h"
#include "demoreader/Protocol.h"
#include "q3match/MatchAnalysis.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>

namespace fenlark {
namespace {

namespace fs = std::filesystem;

const fs::path Demos = FENLARK_SHARED_DEMOS;

#define SKIP_WITHOUT(path)                                                                         \
    if (!fs::exists(path)) {                                                                       \
        GTEST_SKIP() << "absent: " << (path);                                                      \
    }

QJsonObject ReadJson(const fs::path& path) {
    QFile file(QString::fromStdString(path.string()));
    file.open(QIODevice::ReadOnly);
    return QJsonDocument::fromJson(file.readAll()).object();
}

MatchFacts Analyse(const fs::path& path) {
    return q3match::AnalyseDemoFile(path.string());
}

const MatchPlayer* PlayerNamed(const MatchFacts& facts, const std::string& name) {
    for (const MatchPlayer& player : facts.players) {
        if (player.name == name) {
            return &player;
        }
    }
    return nullptr;
}

// "MOD_ROCKET_SPLASH" as the analysis names it: "rocket splash".
std::string MeansName(std::string engineName) {
    engineName.erase(0, 4);
    for (char& c : engineName) {
        c = c == '_' ? ' ' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return engineName;
}

class RecordedDemo : public testing::TestWithParam<std::string> {};

// Recorder, game type, the players at the start, the chat the script sent,
// the duration and the final team scores, as the engine saw them.
TEST_P(RecordedDemo, MatchesWhatTheEngineSaid) {
    const fs::path demo = Demos / "recorded" / GetParam();
    SKIP_WITHOUT(demo);
    const QJsonObject truth =
        ReadJson(fs::path(demo).replace_extension("").string() + ".truth.json");
    const MatchFacts facts = Analyse(demo);
    EXPECT_EQ(facts.ended.reason, "end marker");

    const QJsonObject match = truth["match"].toObject();
    const int recorder = match["recording_client_num"].toInt();
    ASSERT_TRUE(facts.recorder);
    EXPECT_EQ(facts.recorder->clientNumber, recorder);
    ASSERT_TRUE(facts.gameType);
    EXPECT_EQ(facts.gameType->number, match["g_gametype"].toInt());
    EXPECT_EQ(facts.gameType->name,
              match["g_gametype"].toInt() == 3 ? "team deathmatch" : "free for all");
    const double wallMs = match["record_wall_seconds"].toDouble() * 1000;
    ASSERT_TRUE(facts.durationMs);
    EXPECT_NEAR(static_cast<double>(*facts.durationMs), wallMs, 1000);

    for (const QJsonValue& value : truth["players_at_record_start"].toArray()) {
        const QJsonObject player = value.toObject();
        const std::string name = player["name"].toString().toStdString();
        const MatchPlayer* found = PlayerNamed(facts, name);
        ASSERT_NE(found, nullptr) << name;
        EXPECT_EQ(found->clientNumber, player["client_num"].toInt());
        EXPECT_EQ(found->team, player["team_name"].toString().toStdString());
        EXPECT_EQ(found->joinedMs, 0);
        if (player["client_num"].toInt() == recorder) {
            EXPECT_EQ(facts.recorder->name, name);
        }
    }

    // Each chat command the client executed is one chat line.
    int chatCommands = 0;
    for (const QJsonValue& value : truth["server_commands_live"].toObject()["commands"].toArray()) {
        const QString text = value.toObject()["text"].toString();
        chatCommands += text.startsWith("chat ") || text.startsWith("tchat ");
    }
    EXPECT_EQ(facts.chat.size(), static_cast<std::size_t>(chatCommands));
    // The recording script's own chat: "SECONDS cli say TEXT" or "say_team".
    for (const QJsonValue& value : truth["scripted_events"].toArray()) {
        const QStringList parts = value.toString().split(' ');
        const bool team = parts[2] == "say_team";
        const std::string text = parts.mid(3).join(' ').toStdString();
        const auto line =
            std::find_if(facts.chat.begin(), facts.chat.end(),
                         [&](const MatchChatLine& chat) { return chat.text == text; });
        ASSERT_NE(line, facts.chat.end()) << text;
        EXPECT_EQ(line->team, team);
        EXPECT_EQ(line->sender, "Recorder");
        EXPECT_NEAR(static_cast<double>(line->timeMs), parts[0].toDouble() * 1000, 1000);
    }

    const QJsonObject end = truth["configstrings_at_record_end"].toObject();
    if (match["g_gametype"].toInt() == 3) {
        ASSERT_TRUE(facts.teamScores);
        const int red = end["6"].toString().toInt();
        const int blue = end["7"].toString().toInt();
        EXPECT_EQ(facts.teamScores->red, red);
        EXPECT_EQ(facts.teamScores->blue, blue);
        EXPECT_EQ(facts.winner, red > blue ? "red" : "blue");
    } else {
        EXPECT_FALSE(facts.teamScores);
    }
}

INSTANTIATE_TEST_SUITE_P(Recordings, RecordedDemo,
                         testing::Values("ffa.dm_71", "tdm.dm_71", "proto68.dm_68", "frags.dm_71"),
                         [](const testing::TestParamInfo<std::string>& param) {
                             return param.param.substr(0, param.param.find('.'));
                         });

// Every obituary of the server's log that falls inside the recording, in
// order, with the same killer, victim and means of death.
TEST(RecordedFrags, MatchTheServersLog) {
    const fs::path demo = Demos / "recorded" / "frags.dm_71";
    SKIP_WITHOUT(demo);
    const QJsonObject log = ReadJson(Demos / "recorded" / "frags.kills.json");
    const MatchFacts facts = Analyse(demo);
    ASSERT_TRUE(facts.firstServerTime);

    std::vector<QJsonObject> inside;
    for (const QJsonValue& value : log["kills"].toArray()) {
        if (value.toObject()["inside"].toString() == "yes") {
            inside.push_back(value.toObject());
        }
    }
    ASSERT_EQ(inside.size(), static_cast<std::size_t>(log["inside_count"].toInt()));
    ASSERT_EQ(facts.frags.size(), inside.size());
    for (std::size_t i = 0; i < inside.size(); ++i) {
        const QJsonObject& kill = inside[i];
        const MatchFrag& frag = facts.frags[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(frag.victimClientNumber, kill["victimClient"].toInt());
        EXPECT_EQ(frag.victim, kill["victim"].toString().toStdString());
        if (kill["killerClient"].toInt() == 1022) { // the world
            EXPECT_FALSE(frag.killerClientNumber);
            EXPECT_EQ(frag.killer, "");
        } else {
            EXPECT_EQ(frag.killerClientNumber, kill["killerClient"].toInt());
            EXPECT_EQ(frag.killer, kill["killer"].toString().toStdString());
        }
        EXPECT_EQ(frag.meansNumber, kill["means"].toInt());
        EXPECT_EQ(frag.means, MeansName(kill["meansName"].toString().toStdString()));
        // The log keeps whole seconds of level time, which is server time here.
        const double serverMs = static_cast<double>(*facts.firstServerTime + frag.timeMs);
        EXPECT_GE(serverMs, kill["levelTimeS"].toDouble() * 1000);
        EXPECT_LT(serverMs, kill["levelTimeS"].toDouble() * 1000 + 1000);
    }
}

// In a duel whose last scoreboard came after the last kill, each player's
// score is his kills minus his suicides and deaths by the world: the
// scoreboard commands and the obituary events agree.
TEST(SharedDemos, DuelScoresAgreeWithTheObituaries) {
    for (const char* name :
         {"dm_66/udt_dm_66_67_2001_-_Duel_3_(WCG).dm_66",
          "dm_67/udt_dm_66_67_2002_-_Duel_3_(Quakecon).dm_67", "dm_73/qldp_duel.dm_73",
          "dm_73/udt_dm_73_duel_scores.dm_73",
          "dm_90/udt_dm_90_maps_in_q3_mejtisson(POV)-vs-Anarki-aerowalk-2015_02_05-19_55_34.dm_90",
          "dm_91/udt_dm_91_duel.dm_91", "q3_dm3_dm48/udt_dm3_duel.dm3"}) {
        const fs::path demo = Demos / name;
        SKIP_WITHOUT(demo);
        SCOPED_TRACE(name);
        const MatchFacts facts = Analyse(demo);
        std::map<std::int32_t, int> net;
        for (const MatchFrag& frag : facts.frags) {
            if (!frag.killerClientNumber || frag.killerClientNumber == frag.victimClientNumber) {
                --net[*frag.victimClientNumber];
            } else {
                ++net[*frag.killerClientNumber];
            }
        }
        int duellists = 0;
        for (const MatchPlayer& player : facts.players) {
            if (player.team == "free") {
                ++duellists;
                ASSERT_TRUE(player.score) << player.name;
                EXPECT_EQ(*player.score, net[*player.clientNumber]) << player.name;
            }
        }
        EXPECT_EQ(duellists, 2);
        EXPECT_TRUE(facts.winner);
        EXPECT_GE(facts.frags.size(), 5u);
    }
}

TEST(SharedDemos, OneFragWithThePlasmaGun) {
    const fs::path demo = Demos / "dm_68" / "udt_one_frag_only_with_plasma.dm_68";
    SKIP_WITHOUT(demo);
    const MatchFacts facts = Analyse(demo);
    ASSERT_EQ(facts.frags.size(), 1u);
    EXPECT_EQ(facts.frags[0].killer, "myT");
    EXPECT_EQ(facts.frags[0].victim, "rat");
    EXPECT_EQ(facts.frags[0].means, "plasma");
    EXPECT_EQ(facts.gameType->name, "duel");
}

// CPMA capture strike: the final "sr"/"sb" of its game info (red 15, blue
// 10), and its announcements "RED scores: Capture" five times and "BLUE
// scores: Capture" twice.
TEST(SharedDemos, CpmaCaptureStrikeScoresAndCaptures) {
    const fs::path demo =
        Demos / "dm_68" / "udt_demo_pack_1_CTFS-ojfc-06-2014_11_21-23_59_56.dm_68";
    SKIP_WITHOUT(demo);
    const MatchFacts facts = Analyse(demo);
    EXPECT_EQ(facts.gameType->name, "capture strike");
    ASSERT_TRUE(facts.teamScores);
    EXPECT_EQ(facts.teamScores->red, 15);
    EXPECT_EQ(facts.teamScores->blue, 10);
    EXPECT_EQ(facts.winner, "red");
    std::map<std::string, int> captures;
    for (const MatchScoringEvent& event : facts.scoringEvents) {
        EXPECT_EQ(event.kind, "capture");
        ++captures[event.team];
    }
    EXPECT_EQ(captures["red"], 5);
    EXPECT_EQ(captures["blue"], 2);
}

TEST(SharedDemos, TeamChatOfThreeGames) {
    struct Case {
        const char* path;
        const char* sender;
        std::vector<std::string> lines;
    };
    for (const Case& c :
         {Case{"dm_68/udt_dm_68_cpma_team_chat.dm_68", "myT", {"a", "b", "c", "d"}},
          Case{"dm_68/udt_dm_68_team_chat.dm_68", "sausage", {"a", "b", "c", "d", "e"}},
          Case{"dm_90/udt_dm_90_team_chat_online.dm_90", "mejtisson", {"a", "b", "c", "d"}}}) {
        const fs::path demo = Demos / c.path;
        SKIP_WITHOUT(demo);
        SCOPED_TRACE(c.path);
        const MatchFacts facts = Analyse(demo);
        ASSERT_EQ(facts.chat.size(), c.lines.size());
        for (std::size_t i = 0; i < c.lines.size(); ++i) {
            EXPECT_TRUE(facts.chat[i].team);
            EXPECT_EQ(facts.chat[i].sender, c.sender);
            EXPECT_EQ(facts.chat[i].text, c.lines[i]);
        }
    }
}

TEST(SharedDemos, NamesKeepTheirOddCharacters) {
    const fs::path wcg = Demos / "dm_66" / "udt_dm_66_67_2001_-_Duel_3_(WCG).dm_66";
    const fs::path colon = Demos / "dm_68" / "udt_dm_68_cpma_player_name_with_colon_space.dm_68";
    const fs::path utf8 = Demos / "dm_91" / "udt_dm_91_duel.dm_91";
    SKIP_WITHOUT(wcg);
    const MatchFacts duel = Analyse(wcg);
    EXPECT_NE(PlayerNamed(duel, "n^LeXeR "), nullptr); // a caret, and a blank at the end
    EXPECT_TRUE(std::any_of(duel.chat.begin(), duel.chat.end(), [](const MatchChatLine& line) {
        return line.sender == "console" && line.text == "GL ALL GUYS";
    }));
    SKIP_WITHOUT(colon);
    const MatchFacts cpma = Analyse(colon);
    ASSERT_EQ(cpma.chat.size(), 1u);
    EXPECT_EQ(cpma.chat[0].sender, "very: long: name");
    EXPECT_EQ(cpma.chat[0].text, ":)");
    SKIP_WITHOUT(utf8);
    const MatchFacts ql = Analyse(utf8);
    EXPECT_NE(PlayerNamed(ql, "[LIFT] t41TG \xe3\x83\x86\xe3\x82\xa3\xe3\x83\xa0"), nullptr);
}

// Quake Live's "team switch" obituary comes with the player's move to the
// spectators.
TEST(SharedDemos, QuakeLiveTeamSwitchObituary) {
    const fs::path demo = Demos / "dm_73" / "evil-v-Spart1e-sinister-21618.dm_73";
    SKIP_WITHOUT(demo);
    const MatchFacts facts = Analyse(demo);
    const auto obituary =
        std::find_if(facts.frags.begin(), facts.frags.end(),
                     [](const MatchFrag& frag) { return frag.means == "team switch"; });
    ASSERT_NE(obituary, facts.frags.end());
    EXPECT_EQ(obituary->victim, "SPART1E");
    const auto move = std::find_if(
        facts.playerEvents.begin(), facts.playerEvents.end(), [](const MatchPlayerEvent& event) {
            return event.kind == MatchPlayerEvent::Kind::TeamChange && event.name == "SPART1E";
        });
    ASSERT_NE(move, facts.playerEvents.end());
    EXPECT_EQ(move->value, "spectator");
    EXPECT_NEAR(static_cast<double>(move->timeMs), static_cast<double>(obituary->timeMs), 1000);
}

TEST(SharedDemos, DamagedDemosGiveWhatCameBeforeTheDamage) {
    const fs::path endless = Demos / "dm_68" / "udt_truncated.dm_68";
    SKIP_WITHOUT(endless);
    const MatchFacts noMarker = Analyse(endless);
    EXPECT_EQ(noMarker.ended.reason, "end of file");
    EXPECT_EQ(noMarker.ended.messagesRead, 238u);
    EXPECT_EQ(noMarker.ended.byteOffset, 20480u);

    const fs::path invalid = Demos / "dm_68" / "udt_invalid_command_byte.dm_68";
    SKIP_WITHOUT(invalid);
    const MatchFacts illegal = Analyse(invalid);
    EXPECT_EQ(illegal.ended.reason, "illegal data");
    EXPECT_EQ(illegal.ended.messagesRead, 0u);
    EXPECT_FALSE(illegal.durationMs);

    const fs::path full = Demos / "dm_73" / "evil-v-Spart1e-sinister-21618.dm_73";
    const fs::path cut = Demos / "dm_73" / "evil-v-Spart1e-sinister-21618-truncated.dm_73";
    SKIP_WITHOUT(cut);
    const MatchFacts whole = Analyse(full);
    const MatchFacts part = Analyse(cut);
    EXPECT_EQ(part.ended.reason, "cut inside a record");
    EXPECT_LT(*part.durationMs, *whole.durationMs);
    EXPECT_EQ(part.firstServerTime, whole.firstServerTime);
    ASSERT_EQ(part.players.size(), whole.players.size());
    ASSERT_FALSE(part.chat.empty());
    EXPECT_EQ(part.chat[0].text, whole.chat[0].text);
    EXPECT_EQ(part.chat[0].timeMs, whole.chat[0].timeMs);
}

// Every Quake III-family demo: the analysis reads as far as the reader does
// and times the same snapshots.
TEST(SharedDemos, EveryDemoIsReadToItsEnd) {
    int demos = 0;
    std::error_code error;
    for (const char* folder :
         {"dm_66", "dm_67", "dm_68", "dm_73", "dm_90", "dm_91", "q3_dm3_dm48"}) {
        for (const auto& entry : fs::directory_iterator(Demos / folder, error)) {
            SCOPED_TRACE(entry.path().string());
            const MatchFacts facts = Analyse(entry.path());
            auto reader = demoreader::DemoReader::open(entry.path().c_str());
            demoreader::NullMessageVisitor visitor;
            while (reader->readNextMessage() == demoreader::MessageStatus::Ready &&
                   demoreader::WalkMessage(*reader, visitor) == demoreader::WalkEnd::EndOfMessage) {
            }
            EXPECT_EQ(facts.firstServerTime, reader->firstSnapshotServerTime());
            EXPECT_EQ(facts.lastServerTime, reader->lastSnapshotServerTime());
            EXPECT_NE(facts.ended.reason, "read error");
            ++demos;
        }
    }
    if (demos == 0) {
        GTEST_SKIP() << "no shared demos";
    }
}

// A demo behind a byte source (an archive member, a file the library opened)
// is read in large blocks, not a byte at a time, and gives what the file gives.
TEST(RecordedFrags, ADemoBehindAByteSourceIsReadInBlocks) {
    const fs::path path = Demos / "recorded" / "proto68.dm_68";
    SKIP_WITHOUT(path);
    class CountingSource final : public ByteSource {
    public:
        explicit CountingSource(std::unique_ptr<FileSource> file) : file_(std::move(file)) {}
        std::uint64_t size() const override { return file_->size(); }
        std::optional<std::size_t> readAt(std::uint64_t offset,
                                          std::span<std::uint8_t> into) override {
            ++reads;
            return file_->readAt(offset, into);
        }
        std::size_t reads = 0;

    private:
        std::unique_ptr<FileSource> file_;
    };
    CountingSource source(FileSource::open(path.string()));
    const MatchFacts facts =
        q3match::AnalyseDemo(source, demoreader::ProtocolFromPath(path.string()));
    EXPECT_LT(source.reads, 1 + source.size() / 4096);
    const MatchFacts fromFile = Analyse(path);
    EXPECT_EQ(facts.firstServerTime, fromFile.firstServerTime);
    EXPECT_EQ(facts.lastServerTime, fromFile.lastServerTime);
    EXPECT_EQ(facts.players.size(), fromFile.players.size());
    EXPECT_EQ(facts.chat.size(), fromFile.chat.size());
}

} // namespace
} // namespace fenlark
