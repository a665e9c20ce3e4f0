// Runs fenlark-library as a script would: scan, list in each format, forget,
// and the exit status for a bad database, folder or option.

#include "tests/common/ProgramRun.h"
#include "tests/common/TempFolder.h"
#include "tests/library/LibraryTestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sys/wait.h>

namespace {

using fenlark::test::ProgramRun;
using fenlark::test::ShellQuote;

class FenlarkLibraryTest : public ::testing::Test {
protected:
    FenlarkLibraryTest() {
        temp.write("config/.keep", "");
        std::filesystem::create_directories(demos);
        for (const char* sample : {"proto68.dm_68", "ffa.dm_71"})
            std::filesystem::copy_file(std::string(FENLARK_SAMPLES_DIR) + "/" + sample,
                                       demos + "/" + sample);
    }

    ProgramRun run(const std::vector<std::string>& args) {
        const std::string prefix = "XDG_CONFIG_HOME=" + ShellQuote(temp.path("config")) +
                                   " XDG_DATA_HOME=" + ShellQuote(temp.path("data")) + " ";
        return fenlark::test::RunProgram(prefix, FENLARK_LIBRARY_PROGRAM, args,
                                         temp.path("stderr.txt"));
    }

    std::string errors() const {
        FILE* file = std::fopen(temp.path("stderr.txt").c_str(), "r");
        std::string text;
        char buffer[4096];
        while (file && fgets(buffer, sizeof buffer, file))
            text += buffer;
        if (file)
            std::fclose(file);
        return text;
    }

    fenlark::test::TempFolder temp;
    std::string demos = temp.path("demos");
    std::string db = temp.path("library.sqlite");
};

TEST_F(FenlarkLibraryTest, ScanListsWhatTheWindowShowsAndForgetsWhatWentAway) {
    ASSERT_EQ(run({"--db", db, "scan", demos}).status, 0) << errors();
    EXPECT_NE(errors().find("2 demos stored"), std::string::npos) << errors();

    ProgramRun list = run({"--db", db, "list", "--json"});
    ASSERT_EQ(list.status, 0);
    ASSERT_EQ(list.objects.size(), 2u) << list.out;
    const QJsonObject& ffa = list.objects[0]; // sorted by path
    EXPECT_TRUE(ffa["path"].toString().endsWith("/ffa.dm_71"));
    EXPECT_EQ(ffa["map"].toString(), "oa_dm4");
    EXPECT_EQ(ffa["protocol"].toString(), "71");
    EXPECT_EQ(ffa["server"].toString(), "Sample Arena ffa");
    EXPECT_TRUE(ffa["players"].toArray().contains(QJsonValue("Sarge")));
    EXPECT_EQ(ffa["size"].toInteger(), 127970);
    // The game is the definition's, not the server's "gameversion" ("1.36").
    EXPECT_EQ(ffa["game"].toString(), "ioquake3");
    // These recordings carry no time of their own: the file's time stands in.
    EXPECT_EQ(ffa["dateSource"].toString(), "file");
    EXPECT_EQ(list.objects[1]["map"].toString(), "oa_dm1");
    // The match analysis fills its columns for Quake III demos.
    EXPECT_GT(ffa["durationMs"].toInteger(), 0);
    EXPECT_EQ(ffa["recorder"].toString(), "Recorder");

    ProgramRun found = run({"--db", db, "list", "--json", "--search", "oa_dm1"});
    ASSERT_EQ(found.objects.size(), 1u);
    EXPECT_TRUE(found.objects[0]["path"].toString().endsWith("/proto68.dm_68"));

    ProgramRun csv = run({"--db", db, "list", "--csv"});
    EXPECT_EQ(csv.out.rfind("path,archiveMember,game,", 0), 0u);
    EXPECT_EQ(std::count(csv.out.begin(), csv.out.end(), '\n'), 3);

    std::filesystem::remove(demos + "/ffa.dm_71");
    ASSERT_EQ(run({"--db", db, "scan", demos}).status, 0);
    ProgramRun missing = run({"--db", db, "list", "--json", "--missing"});
    ASSERT_EQ(missing.objects.size(), 1u);
    EXPECT_TRUE(missing.objects[0]["missing"].toBool());
    ASSERT_EQ(run({"--db", db, "forget", "--missing"}).status, 0);
    EXPECT_EQ(run({"--db", db, "list", "--json"}).objects.size(), 1u);
}

// A demo inside an archive is read by the same flow as the file itself: its
// row differs only in where it lives. Every real demo is checked both ways,
// so definition-driven games and the Quake III reader are both covered.
TEST_F(FenlarkLibraryTest, ArchiveMembersGetTheRowsOfTheirFiles) {
    if (!std::filesystem::exists(FENLARK_SHARED_DEMOS)) {
        GTEST_SKIP() << "no shared demos at " << FENLARK_SHARED_DEMOS;
    }
    std::filesystem::remove_all(demos);
    std::filesystem::create_directories(demos + "/plain");
    std::vector<std::pair<std::string, std::string>> members;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(FENLARK_SHARED_DEMOS)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_regular_file() || entry.path().parent_path().filename() == "truth" ||
            name.ends_with(".md") || name.ends_with(".json") || name.ends_with(".txt")) {
            continue;
        }
        std::filesystem::copy_file(entry.path(), demos + "/plain/" + name);
        std::ifstream in(entry.path(), std::ios::binary);
        members.emplace_back("in/" + name, std::string(std::istreambuf_iterator<char>(in), {}));
    }
    ASSERT_TRUE(fenlark::library::test::WriteArchive(
        demos + "/all.zip", fenlark::library::test::ArchiveKind::Zip, members));
    ASSERT_EQ(run({"--db", db, "scan", demos}).status, 0) << errors();

    std::map<std::string, QJsonObject> plain;
    std::map<std::string, QJsonObject> zipped;
    for (QJsonObject& row : run({"--db", db, "list", "--json"}).objects) {
        const QString member = row["archiveMember"].toString();
        const std::string name =
            std::filesystem::path(row["path"].toString().toStdString()).filename().string();
        for (const char* where : {"path", "archiveMember", "date"}) {
            row.remove(where);
        }
        if (member.isEmpty()) {
            plain[name] = row;
        } else {
            zipped[std::filesystem::path(member.toStdString()).filename().string()] = row;
        }
    }
    ASSERT_FALSE(plain.empty());
    ASSERT_EQ(plain.size(), zipped.size());
    std::size_t withPlayers = 0;
    for (const auto& [name, row] : plain) {
        EXPECT_EQ(zipped[name], row) << name;
        withPlayers += row["players"].toArray().isEmpty() ? 0U : 1U;
    }
    EXPECT_GT(withPlayers, plain.size() / 2);
}

// Servers that write the wall-clock time into their server values give the
// row the demo's own date; the copies here are new files, so a date taken
// from the file instead would be today's.
TEST_F(FenlarkLibraryTest, DemosThatCarryTheirRecordingTimeAreDatedByIt) {
    if (!std::filesystem::exists(FENLARK_SHARED_DEMOS)) {
        GTEST_SKIP() << "no shared demos at " << FENLARK_SHARED_DEMOS;
    }
    std::filesystem::remove_all(demos);
    std::filesystem::create_directories(demos);
    const std::string shared = FENLARK_SHARED_DEMOS;
    for (const char* demo :
         {"/dm_73/qldp_duel.dm_73", "/qw_mvd/1on1_milton_vs_mushi[tron]20240616-1719.mvd",
          "/qw_mvd/ffa_5[dm4]20240501-1229.mvd",
          "/dm_66/udt_dm_66_67_2001_-_Duel_2_(Quakecon).dm_66"}) {
        std::filesystem::copy_file(shared + demo,
                                   demos + "/" + std::filesystem::path(demo).filename().string());
    }
    ASSERT_EQ(run({"--db", db, "scan", demos}).status, 0) << errors();
    std::map<std::string, QJsonObject> rows; // by map
    for (QJsonObject& row : run({"--db", db, "list", "--json"}).objects) {
        rows[row["map"].toString().toStdString()] = row;
    }
    ASSERT_EQ(rows.size(), 4u);
    // Quake Live: "g_levelStartTime" of the serverinfo.
    EXPECT_EQ(rows["verticalvengeance"]["game"].toString(), "Quake Live");
    EXPECT_EQ(rows["verticalvengeance"]["date"].toString(), "2011-01-12T10:19:53Z");
    EXPECT_EQ(rows["verticalvengeance"]["dateSource"].toString(), "demo");
    // A KTX server demo: "epoch".
    EXPECT_EQ(rows["tron"]["game"].toString(), "QuakeWorld");
    EXPECT_EQ(rows["tron"]["date"].toString(), "2024-06-16T17:19:29Z");
    EXPECT_EQ(rows["tron"]["dateSource"].toString(), "demo");
    // Its match columns come from the QuakeWorld reader's whole-file reading,
    // as in the Match window: a 1on1 of 174.6 s that Milton won.
    EXPECT_EQ(rows["tron"]["durationMs"].toInteger(), 174609);
    EXPECT_EQ(rows["tron"]["winner"].toString(), "Milton");
    // An older KTX without "epoch", and Quake III: the file's time.
    EXPECT_EQ(rows["dm4"]["dateSource"].toString(), "file");
    EXPECT_EQ(rows["pro-q3tourney4"]["game"].toString(), "Quake III Arena");
    EXPECT_EQ(rows["pro-q3tourney4"]["dateSource"].toString(), "file");
}

TEST_F(FenlarkLibraryTest, NoMatchLeavesTheMatchColumnsEmpty) {
    ASSERT_EQ(run({"--db", db, "scan", "--no-match", demos}).status, 0) << errors();
    const ProgramRun list = run({"--db", db, "list", "--json"});
    ASSERT_EQ(list.objects.size(), 2u);
    for (const QJsonObject& row : list.objects) {
        EXPECT_TRUE(row["durationMs"].isNull());
        EXPECT_TRUE(row["recorder"].isNull());
        EXPECT_FALSE(row["map"].toString().isEmpty());
    }
}

TEST_F(FenlarkLibraryTest, DefaultDatabaseLivesInTheUsersDataFolder) {
    ASSERT_EQ(run({"scan", demos}).status, 0) << errors();
    bool found = false;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(temp.path("data")))
        found = found || entry.path().filename() == "library.sqlite";
    EXPECT_TRUE(found);
    EXPECT_EQ(run({"list", "--json"}).objects.size(), 2u);
}

TEST_F(FenlarkLibraryTest, BadDatabaseFolderOrOptionFailsWithAMessage) {
    const std::string notes = temp.write("notes.txt", "plain text");
    EXPECT_EQ(run({"--db", notes, "list"}).status, 1);
    EXPECT_NE(errors().find("not a library database"), std::string::npos) << errors();

    EXPECT_EQ(run({"--db", db, "scan", temp.path("no-such-folder")}).status, 1);
    EXPECT_NE(errors().find("no-such-folder"), std::string::npos);

    EXPECT_EQ(run({"--db", db, "list", "--xml"}).status, 2);
    EXPECT_NE(errors().find("--xml"), std::string::npos);
    EXPECT_EQ(run({"--db", db, "forget"}).status, 2);
    EXPECT_EQ(run({"--db", db, "scan"}).status, 2);
    EXPECT_EQ(run({"--db", db, "list", "--json", "--csv"}).status, 2);
    EXPECT_EQ(run({"--db"}).status, 2);
    EXPECT_EQ(run({"--db", db, "scan", "--threads", "0", temp.path("")}).status, 2);
    EXPECT_EQ(run({"--db", db, "list", "stray"}).status, 2);
    EXPECT_EQ(run({"--db", db, "scan", "--missing", temp.path("")}).status, 2);
    EXPECT_EQ(run({"--missing", "forget"}).status, 2);
    EXPECT_NE(errors().find("Usage: fenlark-library"), std::string::npos) << errors();
}

TEST_F(FenlarkLibraryTest, HelpAndVersionNeedNoDatabase) {
    const ProgramRun help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* text : {"scan FOLDER...", "--threads <N>", "--search <TEXT>",
                             "forget --missing", "Exit status"}) {
        EXPECT_NE(help.out.find(text), std::string::npos) << text;
    }
    EXPECT_EQ(run({"list", "--help"}).out, help.out);
    const ProgramRun version = run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("fenlark-library ", 0), 0u) << version.out;
    EXPECT_FALSE(std::filesystem::exists(temp.path("data")));
}

} // namespace
