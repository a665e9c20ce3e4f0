// Runs fenlark-info as a user's script would and checks what it prints.

#include "tests/common/CraftedQuakeDemo.h"
#include "tests/common/ProgramRun.h"
#include "tests/common/TempFolder.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QString>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/wait.h>

namespace {

using fenlark::test::ProgramRun;
using fenlark::test::ShellQuote;

class FenlarkInfoTest : public ::testing::Test {
protected:
    FenlarkInfoTest() {
        // Never read the user's real settings.
        temp.write("config/.keep", "");
    }

    // Runs the program in `folder` (the test's working folder when empty),
    // after `setup` (shell commands such as a limit).
    ProgramRun run(const std::vector<std::string>& args, const std::string& folder = "",
                   const std::string& setup = "") {
        std::string prefix = setup.empty() ? "" : setup + " && ";
        prefix += folder.empty() ? "" : "cd " + ShellQuote(folder) + " && ";
        prefix += "XDG_CONFIG_HOME=" + ShellQuote(temp.path("config")) + " ";
        return fenlark::test::RunProgram(prefix, FENLARK_INFO_PROGRAM, args,
                                         temp.path("stderr.txt"));
    }

    std::string definitions() const { return temp.path("Data"); }
    std::string standardError() const {
        std::ifstream in(temp.path("stderr.txt"), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fenlark::test::TempFolder temp;
};

const std::string TestDefinition = "[Kalvenor Game]\n"
                                   "Game Name=Test Game\n"
                                   "Demo Extensions=tst;;bad;;prb;;\n"
                                   "tst=1.0\n"
                                   "prb=2.0\n"
                                   "prb-id=psd::1::4::hex:44454d4f\n"
                                   "[Fenlark - tst]\n"
                                   "Fenlark Type=2\n"
                                   "[Fenlark - prb]\n"
                                   "Fenlark Type=2\n";

} // namespace

TEST_F(FenlarkInfoTest, JsonLinesDescribeEachDemoInOneProcess) {
    temp.writeDefinition("test.kgd", TestDefinition);
    const auto first = temp.write("demos/a.tst", std::string(1234, 'x'));
    const auto second = temp.write("demos/b.bad", "y");
    const ProgramRun result = run({"--json", "--data", definitions(), first, second});

    EXPECT_EQ(result.status, 1); // the second demo raised a critical message
    ASSERT_EQ(result.objects.size(), 2u);
    const QJsonObject& a = result.objects[0];
    EXPECT_EQ(a["demoPath"].toString().toStdString(), first);
    EXPECT_EQ(a["txtDemoType"].toString(), "Test Game 1.0 (.tst)");
    EXPECT_EQ(a["txtFileSize"].toString(), "1,234 bytes");
    EXPECT_EQ(a["txtGameVersion"].toString(), "1.0");
    EXPECT_EQ(a["definition"].toString(), "test.kgd");
    EXPECT_EQ(a["matchedExtension"].toString(), "tst");
    EXPECT_TRUE(a["cmdCreateDemoLog"].toObject()["enabled"].toBool());
    EXPECT_EQ(a["languageNumber"].toInt(), 1);
    EXPECT_TRUE(a["messages"].toArray().isEmpty());
    EXPECT_FALSE(a["programEnded"].toBool());
    EXPECT_TRUE(a["lstPlayersBlue"].toObject()["items"].toArray().isEmpty());
    EXPECT_TRUE(a["lstOtherInfo"].toObject()["selectedRow"].isNull());

    const QJsonObject& b = result.objects[1];
    EXPECT_EQ(b["txtFileSize"].toString(), "1 bytes");
    EXPECT_FALSE(b["cmdCreateDemoLog"].toObject()["enabled"].toBool());
    const QJsonArray messages = b["messages"].toArray();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0].toObject()["icon"].toString(), "critical");
    EXPECT_EQ(messages[0].toObject()["textId"].toString(), "1185");
    EXPECT_EQ(messages[0].toObject()["title"].toString(), "Kalvenor - Fenlark v1.00");
}

TEST_F(FenlarkInfoTest, AnEmptyDemoUnderAProbeEndsTheProgramAfterPrintingItsState) {
    temp.writeDefinition("test.kgd", TestDefinition);
    const auto empty = temp.write("demos/e.prb", "");
    const auto never = temp.write("demos/later.tst", "z");
    const ProgramRun result = run({"--json", "--data", definitions(), empty, never});
    EXPECT_EQ(result.status, 3);
    ASSERT_EQ(result.objects.size(), 1u); // nothing after the end
    EXPECT_TRUE(result.objects[0]["programEnded"].toBool());
    EXPECT_EQ(result.objects[0]["messages"].toArray()[0].toObject()["textId"].toString(), "1085");
    EXPECT_EQ(result.objects[0]["txtGameVersion"].toString(), "2.0");
}

TEST_F(FenlarkInfoTest, UnknownDemosWarnAndTheLanguageComesFromTheSettings) {
    temp.write("config/Kalvenor/Kalvenor 2.conf", "[Settings]\nLanguage_L1=2\n");
    const auto demo = temp.write("demos/x.unknown", "q");
    const ProgramRun result = run({"--json", "--data", definitions(), demo});
    EXPECT_EQ(result.status, 1);
    ASSERT_EQ(result.objects.size(), 1u);
    EXPECT_EQ(result.objects[0]["languageNumber"].toInt(), 2);
    const QJsonObject message = result.objects[0]["messages"].toArray()[0].toObject();
    EXPECT_EQ(message["icon"].toString(), "warning");
    EXPECT_EQ(message["textId"].toString(), "2086");
    EXPECT_TRUE(message["text"].toString().startsWith("Keine Spieldefinition"));
}

TEST_F(FenlarkInfoTest, UsageErrorsExitWithTwoAndShowTheUsage) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                                 {"--json"},
                                                 {"--data"},
                                                 {"--bogus", "x.dm_68"},
                                                 {"-q", "x.dm_68"},
                                                 {"--json=yes", "x.dm_68"}}) {
        const ProgramRun result = run(args);
        EXPECT_EQ(result.status, 2) << (args.empty() ? "" : args[0]);
        EXPECT_EQ(result.out, "");
        EXPECT_NE(standardError().find("Usage: fenlark-info"), std::string::npos);
    }
    EXPECT_NE(standardError().find("--json"), std::string::npos) << standardError();
}

TEST_F(FenlarkInfoTest, HelpVersionAndTheEndOfTheOptions) {
    ProgramRun result = run({"--help"});
    EXPECT_EQ(result.status, 0);
    for (const char* text : {"Usage: fenlark-info", "--match", "--log <FILE>", "Exit status"}) {
        EXPECT_NE(result.out.find(text), std::string::npos) << text;
    }
    EXPECT_EQ(run({"-h"}).out, result.out);

    result = run({"--version"});
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(QString::fromStdString(result.out)
                    .contains(QRegularExpression("^fenlark-info [0-9]+\\.[0-9]+\\.[0-9]+\n$")))
        << result.out;

    // "--" ends the options, so a name that begins with "--" is a demo; and
    // --data=DIR is the same as --data DIR.
    temp.writeDefinition("test.kgd", TestDefinition);
    temp.write("--odd name.tst", "0123456789AB");
    result = run({"--data=" + definitions(), "--json", "--", "--odd name.tst"}, temp.path(""));
    ASSERT_EQ(result.objects.size(), 1u) << standardError();
    EXPECT_TRUE(result.objects[0]["demoPath"].toString().endsWith("/--odd name.tst"));
    EXPECT_EQ(result.objects[0]["definition"].toString(), "test.kgd");
}

TEST_F(FenlarkInfoTest, TheShippedDefinitionsMatchTheBundledSamples) {
    const ProgramRun result = run({"--json", std::string(FENLARK_SAMPLES_DIR) + "/tdm.dm_71",
                                   std::string(FENLARK_SAMPLES_DIR) + "/proto68.dm_68"});
    EXPECT_EQ(result.status, 0);
    ASSERT_EQ(result.objects.size(), 2u);
    EXPECT_EQ(result.objects[0]["txtDemoType"].toString(), "ioquake3 1.36 (.dm_71)");
    EXPECT_EQ(result.objects[0]["txtFileSize"].toString(), "126,048 bytes");
    EXPECT_EQ(result.objects[1]["txtDemoType"].toString(), "Quake III Arena 1.32 (.dm_68)");
}

TEST_F(FenlarkInfoTest, TheTextReportIsLaidOutLikeTheWindow) {
    temp.writeDefinition("test.kgd", TestDefinition);
    const auto demo = temp.write("demos/a.tst", "abc");
    const ProgramRun result = run({"--data", definitions(), demo});
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.out.find("Demo Type:      Test Game 1.0 (.tst)\n"), std::string::npos);
    EXPECT_NE(result.out.find("File Size:      3 bytes\n"), std::string::npos);
    EXPECT_NE(result.out.find("Create Demo log: enabled\n"), std::string::npos);
}

TEST_F(FenlarkInfoTest, OtherInfoValuesLineUpWhateverLettersTheNamesHold) {
    // Two rows read the same value; one name has two letters of two bytes.
    temp.writeDefinition("pad.kgd", "[Kalvenor Game]\nGame Name=Pad Game\n"
                                    "Demo Extensions=pad;;\npad=1.0\n"
                                    "[Fenlark - pad]\nFenlark Type=1\nInfo Count=2\n"
                                    "Info 1 Name=Gr\xc3\xb6\xc3\x9f"
                                    "e\n"
                                    "Info 1=rvd::1::64::hex:3c::0::1::hex:3e\n"
                                    "Info 2 Name=Plain\n"
                                    "Info 2=rvd::1::64::hex:3c::0::1::hex:3e\n");
    const auto demo = temp.write("demos/a.pad", "xx<abc>yy");
    const ProgramRun result = run({"--data", definitions(), demo});
    const auto columnOf = [&](const std::string& name) {
        const std::size_t line = result.out.find("  " + name);
        const std::size_t value = result.out.find('<', line);
        EXPECT_NE(line, std::string::npos) << name;
        const std::string before = result.out.substr(line, value - line);
        return std::count_if(before.begin(), before.end(), [](char c) {
            return (static_cast<unsigned char>(c) & 0xC0U) != 0x80U;
        });
    };
    EXPECT_EQ(columnOf("Gr\xc3\xb6\xc3\x9f"
                       "e"),
              columnOf("Plain"));
}

TEST_F(FenlarkInfoTest, EachRelativeDemoStartsFromTheWorkingFolder) {
    temp.writeDefinition("test.kgd", TestDefinition);
    temp.write("one/a.tst", "12");
    temp.write("two/b.tst", "12345");
    temp.write("one/two/b.tst", "wrong file");
    const ProgramRun result =
        run({"--json", "--data", definitions(), "one/a.tst", "two/b.tst", "./one/a.tst"},
            temp.path(""));
    ASSERT_EQ(result.objects.size(), 3u);
    const auto root = std::filesystem::canonical(temp.root());
    EXPECT_EQ(result.objects[0]["demoPath"].toString().toStdString(),
              (root / "one/a.tst").string());
    EXPECT_EQ(result.objects[1]["demoPath"].toString().toStdString(),
              (root / "two/b.tst").string());
    EXPECT_EQ(result.objects[1]["txtFileSize"].toString(), "5 bytes");
    EXPECT_EQ(result.objects[2]["txtFileSize"].toString(), "2 bytes");
    EXPECT_FALSE(std::filesystem::exists(temp.path("one/one/a.tst")));
}

TEST_F(FenlarkInfoTest, TheLogsOutcomeIsInTheJsonAndFailuresExitWithOne) {
    const std::string demo = temp.path("demo.dm_68");
    std::filesystem::copy_file(std::string(FENLARK_SAMPLES_DIR) + "/proto68.dm_68", demo);
    const std::string demoBytes = [&] {
        std::ifstream in(demo, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }();

    ProgramRun result = run({"--json", "--log", temp.path("log.txt"), demo});
    EXPECT_EQ(result.status, 0);
    ASSERT_EQ(result.objects.size(), 1u);
    const QJsonArray messages = result.objects[0]["messages"].toArray();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0].toObject()["text"].toString(), "Demo log created!");
    const QJsonObject log = result.objects[0]["log"].toObject();
    EXPECT_TRUE(log["created"].toBool());
    EXPECT_EQ(log["ending"].toString(), "endMarker");
    EXPECT_GT(log["messagesRead"].toInteger(), 1);

    // The log over its own demo, by a relative name: refused, demo intact.
    result = run({"--json", "--log", "demo.dm_68", demo}, temp.path(""));
    EXPECT_EQ(result.status, 1);
    ASSERT_EQ(result.objects.size(), 1u);
    EXPECT_EQ(result.objects[0]["log"].toObject()["ending"].toString(), "notWritten");
    EXPECT_NE(standardError().find("cannot be saved over the demo"), std::string::npos);
    std::ifstream in(demo, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), demoBytes);

    // A folder as log path: left alone, the reason on standard error.
    std::filesystem::create_directories(temp.path("folder"));
    result = run({"--log", temp.path("folder"), demo});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(standardError().find("critical: The demo log could not be written: the name "
                                   "belongs to a folder"),
              std::string::npos);
    EXPECT_TRUE(std::filesystem::is_directory(temp.path("folder")));
}

TEST_F(FenlarkInfoTest, EveryObjectStaysOneLineForAnyReaderAndOddPathsCanBeFound) {
    temp.writeDefinition("test.kgd", TestDefinition);
    // A name with LINE SEPARATOR, PARAGRAPH SEPARATOR and NEL; one that is not UTF-8.
    const auto breaks = temp.write("demos/a\xE2\x80\xA8"
                                   "b\xE2\x80\xA9"
                                   "c\xC2\x85.tst",
                                   "1");
    const auto latin = temp.write("demos/caf\xE9.tst", "1");
    const ProgramRun result = run({"--json", "--data", definitions(), breaks, latin});
    ASSERT_EQ(result.objects.size(), 2u);
    for (const char* raw : {"\xE2\x80\xA8", "\xE2\x80\xA9", "\xC2\x85"}) {
        EXPECT_EQ(result.out.find(raw), std::string::npos);
    }
    EXPECT_NE(result.out.find("a\\u2028b\\u2029c\\u0085.tst"), std::string::npos);
    EXPECT_EQ(result.objects[0]["demoPath"].toString().toStdString(), breaks);
    // The invalid byte reads as U+FFFD in the text; the bytes tell the file.
    EXPECT_EQ(result.objects[1]["demoPath"].toString().toStdString(),
              temp.path("demos/caf\xEF\xBF\xBD.tst"));
    EXPECT_FALSE(result.objects[0].contains("demoPathBytes"));
    const std::string hex = result.objects[1]["demoPathBytes"].toString().toStdString();
    ASSERT_GE(hex.size(), 16u);
    EXPECT_EQ(hex.substr(hex.size() - 16), "636166e92e747374") << hex; // "caf\xE9.tst"
}

TEST_F(FenlarkInfoTest, RunningOutOfMemoryEndsTheLoadWithAMessage) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the address sanitizer needs more address space than the limit allows";
#endif
    // A definition larger than the memory the program may use (a sparse
    // file: it takes no disk space), listed before the one that matches.
    temp.writeDefinition("test.kgd", TestDefinition);
    const std::string huge = temp.writeDefinition("0-huge.kgd", "");
    std::filesystem::resize_file(huge, std::uintmax_t{2} << 30U);
    const auto demo = temp.write("demos/a.tst", "1");
    const ProgramRun result =
        run({"--json", "--data", definitions(), demo}, "", "ulimit -v 1000000");
    EXPECT_EQ(result.status, 1);
    ASSERT_EQ(result.objects.size(), 1u);
    const QJsonArray messages = result.objects[0]["messages"].toArray();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0].toObject()["textId"].toString(), "1188");
    EXPECT_FALSE(result.objects[0]["programEnded"].toBool());
}

TEST_F(FenlarkInfoTest, QuotesBackslashesAndControlCharactersSurviveTheJson) {
    temp.writeDefinition("test.kgd", TestDefinition);
    const auto odd = temp.write("demos/q\"b\\c\nd\te\x01\x7f.tst", "1");
    const ProgramRun result = run({"--json", "--data", definitions(), odd});
    ASSERT_EQ(result.objects.size(), 1u); // one line, valid JSON
    EXPECT_EQ(result.objects[0]["demoPath"].toString().toStdString(), odd);
    EXPECT_EQ(result.objects[0]["txtFileSize"].toString(), "1 bytes");
}

namespace {

const std::string ReaderDefinition = "[Kalvenor Game]\n"
                                     "Game Name=Crafted Quake\n"
                                     "Demo Extensions=qdm;;plain;;\n"
                                     "[Fenlark - qdm]\n"
                                     "Fenlark Type=1\n"
                                     "Reader=quake-dem\n"
                                     "[Fenlark - plain]\n"
                                     "Fenlark Type=1\n";

} // namespace

TEST_F(FenlarkInfoTest, MatchAddsTheFactsOfTheNamedReaderAndNullWithoutOne) {
    temp.writeDefinition("q.kgd", ReaderDefinition);
    const auto demo = temp.write("demos/a.qdm", fenlark::test::CraftedQuakeDemo());
    const auto plain = temp.write("demos/b.plain", fenlark::test::CraftedQuakeDemo());

    const ProgramRun without = run({"--json", "--data", definitions(), demo});
    ASSERT_EQ(without.objects.size(), 1u);
    EXPECT_FALSE(without.objects[0].contains("match"));
    EXPECT_EQ(without.objects[0]["lstPlayersBlue"].toObject()["items"].toArray().size(), 1);

    const ProgramRun result = run({"--json", "--match", "--data", definitions(), demo, plain});
    EXPECT_EQ(result.status, 0);
    ASSERT_EQ(result.objects.size(), 2u);
    // Apart from "match" the objects are those printed without --match.
    QJsonObject first = result.objects[0];
    const QJsonObject match = first.take("match").toObject();
    EXPECT_EQ(first, without.objects[0]);
    EXPECT_TRUE(result.objects[1]["match"].isNull());

    EXPECT_EQ(match.keys(),
              (QStringList{"chat", "durationMs", "ended", "firstServerTime", "frags", "gameType",
                           "lastServerTime", "players", "recorder", "teamScores", "winner"}));
    EXPECT_EQ(match["durationMs"].toInteger(), 2500);
    EXPECT_TRUE(match["teamScores"].isNull());
    EXPECT_EQ(match["ended"].toObject()["reason"].toString(), "end marker");
    EXPECT_GT(match["ended"].toObject()["messagesRead"].toInteger(), 0);
    const QJsonArray players = match["players"].toArray();
    ASSERT_EQ(players.size(), 2);
    const QJsonObject ranger = players[0].toObject();
    EXPECT_EQ(ranger.keys(),
              (QStringList{"clientNumber", "joinedMs", "leftMs", "name", "score", "team"}));
    EXPECT_EQ(ranger["name"].toString(), "Ranger");
    EXPECT_EQ(ranger["score"].toInt(), 10);
    EXPECT_TRUE(ranger["leftMs"].isNull());
    EXPECT_EQ(match["gameType"].toObject()["name"].toString(), "deathmatch");
    EXPECT_TRUE(match["gameType"].toObject()["number"].isDouble());

    const ProgramRun text = run({"--match", "--data", definitions(), demo});
    EXPECT_NE(text.out.find("Match:\n  Duration:     0:02.5\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("  Game type:    deathmatch\n"), std::string::npos) << text.out;
}

TEST_F(FenlarkInfoTest, MatchOnARealQuakeWorldDemo) {
    const std::string demo =
        std::string(FENLARK_SHARED_DEMOS) + "/qw_mvd/2on2_sf_vs_red[frobodm2]220104-0915.mvd";
    if (!QFile::exists(QString::fromStdString(demo)))
        GTEST_SKIP() << demo << " is not available";
    const ProgramRun result = run({"--json", "--match", demo});
    ASSERT_EQ(result.objects.size(), 1u);
    const QJsonObject match = result.objects[0]["match"].toObject();
    EXPECT_EQ(match["durationMs"].toInteger(), 202743);
    EXPECT_EQ(match["winner"].toString(), "red");
    EXPECT_EQ(match["teamScores"].toObject()["red"].toInt(), 20);
    EXPECT_EQ(match["players"].toArray().size(), 5);
    EXPECT_FALSE(match["frags"].toArray().isEmpty());
    EXPECT_EQ(match["frags"].toArray()[0].toObject()["killer"].toString(), ": Timber");
}

TEST_F(FenlarkInfoTest, MatchOnTheSampleQuakeThreeDemos) {
    const ProgramRun result =
        run({"--json", "--match", std::string(FENLARK_SAMPLES_DIR) + "/tdm.dm_71",
             std::string(FENLARK_SAMPLES_DIR) + "/proto68.dm_68"});
    EXPECT_EQ(result.status, 0);
    ASSERT_EQ(result.objects.size(), 2u);
    // The recording's own account (samples/tdm.truth.json): client 4 recorded
    // as a spectator; Sarge and Grism red, Kyonshi and Major blue.
    const QJsonObject tdm = result.objects[0]["match"].toObject();
    EXPECT_EQ(tdm["recorder"].toObject()["clientNumber"].toInt(), 4);
    EXPECT_EQ(tdm["recorder"].toObject()["name"].toString(), "Recorder");
    QStringList teams;
    for (const QJsonValue& player : tdm["players"].toArray())
        teams << player.toObject()["name"].toString() + "=" + player.toObject()["team"].toString();
    EXPECT_EQ(teams, (QStringList{"Sarge=red", "Grism=red", "Kyonshi=blue", "Major=blue",
                                  "Recorder=spectator"}));
    EXPECT_FALSE(tdm["teamScores"].isNull());
    EXPECT_EQ(tdm["ended"].toObject()["reason"].toString(), "end marker");
    EXPECT_FALSE(result.objects[1]["match"].toObject()["players"].toArray().isEmpty());
}
