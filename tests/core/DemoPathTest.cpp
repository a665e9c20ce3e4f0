#include "core/DemoPath.h"
#include "tests/common/TempFolder.h"

#include <gtest/gtest.h>

#include <set>

using fenlark::NormalizeDemoPath;

namespace {

// A canonicaliser with the habits of a Windows file list: folders are known by
// name, a drive root is reported with its backslash, others without one.
class WindowsFolders : public fenlark::FolderCanonicalizer {
public:
    explicit WindowsFolders(std::string current, std::set<std::string> existing)
        : current_(std::move(current)), existing_(std::move(existing)) {}

    bool setFolder(const std::string& folder) override {
        if (folder.empty())
            return true;
        std::string absolute =
            folder.size() > 1 && folder[1] == ':' ? folder : current_ + "\\" + folder;
        if (absolute.size() > 3 && absolute.back() == '\\')
            absolute.pop_back();
        if (!existing_.count(absolute))
            return false;
        current_ = absolute;
        return true;
    }
    std::string folder() const override { return current_; }

private:
    std::string current_;
    std::set<std::string> existing_;
};

std::string NormalizeOnWindows(std::string path, WindowsFolders& folders) {
    NormalizeDemoPath(path, folders, '\\');
    return path;
}

} // namespace

TEST(NormalizeDemoPath, QuotationMarksAreDroppedAtEitherEnd) {
    WindowsFolders folders("C:\\Work", {"C:\\", "C:\\Work", "C:\\Demos"});
    EXPECT_EQ(NormalizeOnWindows("\"C:\\Demos\\a b.dm_68\"", folders), "C:\\Demos\\a b.dm_68");
    EXPECT_EQ(NormalizeOnWindows("C:\\Demos\\a.dm_68\"", folders), "C:\\Demos\\a.dm_68");
    EXPECT_EQ(NormalizeOnWindows("\"C:\\Demos\\a.dm_68", folders), "C:\\Demos\\a.dm_68");
    EXPECT_EQ(NormalizeOnWindows("C:\\Demos\\a\"b.dm_68", folders), "C:\\Demos\\a\"b.dm_68");
    EXPECT_EQ(NormalizeOnWindows("\"\"", folders), "");
}

TEST(NormalizeDemoPath, ALoneQuotationMarkStaysAndJoinsTheCurrentFolder) {
    WindowsFolders folders("C:\\Work", {"C:\\Work"});
    EXPECT_EQ(NormalizeOnWindows("\"", folders), "C:\\Work\\\"");
}

TEST(NormalizeDemoPath, WindowsFoldersBecomeAbsoluteAndDriveRootsKeepOneBackslash) {
    WindowsFolders folders("C:\\Work", {"C:\\", "C:\\Work", "C:\\Work\\sub", "D:\\"});
    EXPECT_EQ(NormalizeOnWindows("x.dm_68", folders), "C:\\Work\\x.dm_68");
    EXPECT_EQ(NormalizeOnWindows("C:\\x.dm_68", folders), "C:\\x.dm_68");
    EXPECT_EQ(NormalizeOnWindows("D:\\x.dm_68", folders), "D:\\x.dm_68");
    // A bare name now resolves against the last folder the list accepted.
    EXPECT_EQ(NormalizeOnWindows("y.dm_68", folders), "D:\\y.dm_68");
    EXPECT_EQ(NormalizeOnWindows("a.dm_68 b.dm_68", folders), "D:\\a.dm_68 b.dm_68");
}

TEST(NormalizeDemoPath, ARefusedFolderKeepsThePreviousOneAndReportsIt) {
    WindowsFolders folders("C:\\Work", {"C:\\Work"});
    std::string path = "Q:\\missing\\x.dm_68";
    EXPECT_FALSE(NormalizeDemoPath(path, folders, '\\'));
    EXPECT_EQ(path, "C:\\Work\\x.dm_68");
}

#ifdef _WIN32
TEST(NormalizeDemoPath, WindowsFoldersAreCanonicalAndTheRootKeepsItsBackslash) {
    fenlark::test::TempFolder temp;
    std::filesystem::create_directories(temp.root() / "demos" / "sub");
    fenlark::WindowsFolderCanonicalizer folders;
    ASSERT_TRUE(folders.setFolder(temp.root().string()));
    const std::string root = folders.folder();
    ASSERT_GE(root.size(), 3u);
    ASSERT_EQ(root[1], ':');
    EXPECT_NE(root.back(), '\\');

    std::string path = "demos\\sub\\..\\x.dm_68"; // relative to the folder accepted last
    EXPECT_TRUE(NormalizeDemoPath(path, folders));
    EXPECT_EQ(path, root + "\\demos\\x.dm_68");

    path = "sub/y.dm_68"; // a slash separates names as well
    EXPECT_TRUE(NormalizeDemoPath(path, folders));
    EXPECT_EQ(path, root + "\\demos\\sub\\y.dm_68");

    const std::string drive = root.substr(0, 2);
    path = "\\x.dm_68"; // the root of the current folder's drive
    EXPECT_TRUE(NormalizeDemoPath(path, folders));
    EXPECT_EQ(path, drive + "\\x.dm_68");
    EXPECT_EQ(folders.folder(), drive + "\\");

    path = "\"" + temp.path("nowhere\\z.dm_68") + "\"";
    EXPECT_FALSE(NormalizeDemoPath(path, folders));
    EXPECT_EQ(path, drive + "\\z.dm_68");
}
#else
TEST(NormalizeDemoPath, PosixFoldersAreCanonicalAndTheRootStaysSingle) {
    fenlark::test::TempFolder temp;
    std::filesystem::create_directories(temp.root() / "demos" / "sub");
    const std::string root = std::filesystem::canonical(temp.root()).string();
    fenlark::PosixFolderCanonicalizer folders;

    std::string path = temp.path("demos/sub/../x.dm_68");
    EXPECT_TRUE(NormalizeDemoPath(path, folders));
    EXPECT_EQ(path, root + "/demos/x.dm_68");

    path = "sub/y.dm_68"; // relative to the folder accepted last
    EXPECT_TRUE(NormalizeDemoPath(path, folders));
    EXPECT_EQ(path, root + "/demos/sub/y.dm_68");

    path = "/x.dm_68";
    EXPECT_TRUE(NormalizeDemoPath(path, folders));
    EXPECT_EQ(path, "/x.dm_68");

    path = "\"" + temp.path("nowhere/z.dm_68") + "\"";
    EXPECT_FALSE(NormalizeDemoPath(path, folders));
    EXPECT_EQ(path, "/z.dm_68");
}
#endif
