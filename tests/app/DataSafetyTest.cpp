// What the loading flow and the demo log must never do to the user's files:
// write a log over the demo, delete what is not a file, append to an old log,
// or wait forever on something that is not a regular file.

#include "app/Commands.h"
#include "app/LoadDemo.h"
#include "core/Files.h"
#include "lang/Language.h"
#include "tests/common/Links.h"
#include "tests/common/SessionFixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#ifdef _WIN32
#include "core/WindowsApi.h"
#else
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

using namespace fenlark;

namespace {

const std::string ReplaceStop = "The demo log cannot be saved over the demo it is made from. "
                                "Nothing was written; choose another file name.";

class DataSafetyTest : public test::SessionFixtureOf<Language> {
protected:
    DataSafetyTest() {
        session.setDefinitionsFolder(FENLARK_DATA_SOURCE_DIR);
        demo = temp.path("demos/proto68.dm_68");
        std::filesystem::create_directories(temp.path("demos"));
        std::filesystem::copy_file(std::string(FENLARK_SAMPLES_DIR) + "/proto68.dm_68", demo);
        demoBytes = ReadWholeFile(demo).value_or("");
        session.DemoPath = demo;
        LoadDemo(session);
        ui.messages.clear();
    }

    std::optional<DemoLogOutcome> logTo(const std::string& logPath) {
        ui.messages.clear();
        ui.saveAnswer = logPath;
        return CreateDemoLogCommand(session);
    }

    std::string demo;
    std::string demoBytes;
};

// Restores the working folder when a test changed it.
class WorkingFolder {
public:
    explicit WorkingFolder(const std::filesystem::path& folder)
        : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~WorkingFolder() { std::filesystem::current_path(previous_); }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

private:
    std::filesystem::path previous_;
};

} // namespace

TEST_F(DataSafetyTest, TheLogIsNeverWrittenOverItsDemoWhateverNameLeadsToIt) {
    const bool linked = test::MakeSymlink(demo, temp.path("link.txt"));
    std::vector<std::string> logPaths = {demo, "../demos/proto68.dm_68",
                                         temp.path("demos/../demos/./proto68.dm_68")};
    if (linked) {
        logPaths.push_back(temp.path("link.txt"));
    }
    std::filesystem::create_directories(temp.path("other"));
    const WorkingFolder inOther(temp.path("other"));
    for (const std::string& logPath : logPaths) {
        const auto outcome = logTo(logPath);
        ASSERT_TRUE(outcome.has_value()) << logPath;
        EXPECT_FALSE(outcome->created) << logPath;
        EXPECT_EQ(messageTexts(), std::vector<std::string>{ReplaceStop}) << logPath;
        EXPECT_EQ(ui.messages[0].icon, MessageIcon::Critical);
        EXPECT_EQ(ReadWholeFile(demo), demoBytes) << logPath;
        EXPECT_FALSE(ui.waitVisible);
    }
    EXPECT_EQ(test::IsSymlink(temp.path("link.txt")), linked);

    // German users read the stop in German.
    session.LanguageNumber = 2;
    logTo(demo);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text.rfind("Das Demo-Protokoll kann nicht", 0), 0u);
    if (!linked) {
        GTEST_SKIP() << "this system does not let the test make a symbolic link: the other "
                        "names were checked, a link was not";
    }
}

TEST_F(DataSafetyTest, OnlyAFileOrALinkItselfIsReplacedByTheLog) {
    // A folder (empty, so a careless delete would succeed), a FIFO and a
    // device stay as they were, and the user is told why.
    const std::string folder = temp.path("folder.txt");
    std::filesystem::create_directories(folder);
    const std::string prefix = "The demo log could not be written: the name belongs to ";
#ifdef _WIN32
    const std::string device = "NUL";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {folder, prefix + "a folder"},
        {device, prefix + "a device, FIFO or socket"},
    };
#else
    const std::string fifo = temp.path("fifo.txt");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {folder, prefix + "a folder"},
        {fifo, prefix + "a device, FIFO or socket"},
        {"/dev/null", prefix + "a device, FIFO or socket"},
    };
#endif
    for (const auto& [logPath, message] : cases) {
        const auto outcome = logTo(logPath);
        ASSERT_TRUE(outcome.has_value());
        EXPECT_FALSE(outcome->created) << logPath;
        EXPECT_EQ(outcome->ending, DemoLogOutcome::Ending::WriteError);
        EXPECT_EQ(messageTexts(), std::vector<std::string>{message}) << logPath;
    }
    EXPECT_TRUE(std::filesystem::is_directory(folder));
#ifndef _WIN32
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
#endif

    // A link is replaced itself; what it pointed to stays untouched.
    const std::string target = temp.write("target.txt", "keep me");
    if (!test::MakeSymlink(target, temp.path("link.txt"))) {
        GTEST_SKIP() << "this system does not let the test make a symbolic link: the folder and "
                        "device were checked, a link was not";
    }
    const auto outcome = logTo(temp.path("link.txt"));
    ASSERT_TRUE(outcome.has_value());
    EXPECT_TRUE(outcome->created);
    EXPECT_FALSE(test::IsSymlink(temp.path("link.txt")));
    EXPECT_EQ(ReadWholeFile(target), "keep me");
}

TEST_F(DataSafetyTest, AnOldLogThatCannotBeDeletedHasItsContentReplaced) {
#ifdef _WIN32
    GTEST_SKIP() << "a read-only folder is a POSIX mode; Windows guards folders with access lists";
#else
    if (::geteuid() == 0) {
        GTEST_SKIP() << "a read-only folder does not stop the superuser";
    }
    const std::string old = temp.write("ro/log.txt", std::string(100000, 'x'));
    std::filesystem::permissions(temp.path("ro"), std::filesystem::perms::owner_read |
                                                      std::filesystem::perms::owner_exec);
    const auto outcome = logTo(old);
    std::filesystem::permissions(temp.path("ro"), std::filesystem::perms::owner_all);
    ASSERT_TRUE(outcome.has_value());
    EXPECT_TRUE(outcome->created);
    const std::string log = ReadWholeFile(old).value_or("");
    EXPECT_EQ(log.rfind("Demo Information - Demo Log - ", 0), 0u);
    EXPECT_EQ(log.find(std::string(64, 'x')), std::string::npos);
#endif
}

TEST_F(DataSafetyTest, WhatIsNotARegularFileLoadsAsAFileThatCannotBeOpened) {
    // The reference: a path in a folder that does not exist.
    session.DemoPath = temp.path("no such folder/x.dm_68");
    LoadDemo(session);
    const DemoSummary reference = session.summary;
    const std::vector<std::string> referenceMessages = messageTexts();
    ASSERT_EQ(reference.txtFileSize, " bytes");

    std::filesystem::create_directories(temp.path("odd/folder.dm_68"));
#ifdef _WIN32
    // A named pipe with a listening end: opening it would succeed at once,
    // and reading it would wait for the other end forever.
    const std::string pipe =
        "\\\\.\\pipe\\fenlark-test-" + std::to_string(std::random_device()()) + ".dm_68";
    HANDLE listener =
        ::CreateNamedPipeA(pipe.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 1, 0, 0, 0, nullptr);
    ASSERT_NE(listener, INVALID_HANDLE_VALUE);
    for (const std::string& path : {temp.path("odd/folder.dm_68"), pipe}) {
        ui.messages.clear();
        session.DemoPath = path;
        LoadDemo(session);
        EXPECT_EQ(session.summary.txtFileSize, reference.txtFileSize) << path;
        EXPECT_EQ(session.summary.txtDemoType, reference.txtDemoType) << path;
        EXPECT_EQ(messageTexts(), referenceMessages) << path;
        EXPECT_EQ(session.summary.cmdCreateDemoLogEnabled, reference.cmdCreateDemoLogEnabled)
            << path;
    }
    ::CloseHandle(listener);
#else
    ASSERT_EQ(::mkfifo(temp.path("odd/fifo.dm_68").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", temp.path("odd/zero.dm_68"));
    const std::string socketPath = temp.path("odd/socket.dm_68");
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    for (const char* name : {"folder.dm_68", "fifo.dm_68", "zero.dm_68", "socket.dm_68"}) {
        ui.messages.clear();
        session.DemoPath = temp.path(std::string("odd/") + name);
        LoadDemo(session); // would wait forever on the FIFO or read /dev/zero without end
        EXPECT_EQ(session.summary.txtFileSize, reference.txtFileSize) << name;
        EXPECT_EQ(session.summary.txtDemoType, reference.txtDemoType) << name;
        EXPECT_EQ(messageTexts(), referenceMessages) << name;
        EXPECT_EQ(session.summary.cmdCreateDemoLogEnabled, reference.cmdCreateDemoLogEnabled)
            << name;
    }
    ::close(listener);
#endif
}
