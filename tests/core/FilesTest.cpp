// The platform layer with names outside any single code page: paths are
// UTF-8 on every system, whatever the system's own encoding of names.

#include "core/Files.h"
#include "core/ByteSource.h"
#include "core/DemoPath.h"
#include "core/FileList.h"
#include "core/FileStamp.h"
#include "tests/common/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fenlark {
namespace {

TEST(Files, NamesOutsideTheSystemCodePageAreOpenedMeasuredListedAndCanonicalised) {
    test::TempFolder temp;
    const std::string folder =
        Utf8FromPath(temp.root()) + "/D\xC3\xA9mos \xCE\xA9 \xE8\xA9\xA6\xE5\x90\x88";
    ASSERT_TRUE(std::filesystem::create_directories(PathFromUtf8(folder)));
    const std::string name = "k\xC3\xA4mpfe-\xCE\xA8.dm_68";
    const std::string demo = folder + "/" + name;
    std::ofstream(PathFromUtf8(demo), std::ios::binary) << "abc";

    EXPECT_EQ(ReadWholeFile(demo), "abc");
    EXPECT_TRUE(IsReadableFile(demo));
    const auto source = FileSource::open(demo);
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->size(), 3u);
    EXPECT_EQ(CreateOrMeasureFile(demo), 3u);
    EXPECT_TRUE(IsSameFile(demo, folder + "/./" + name));
    EXPECT_FALSE(IsSameFile(demo, folder));
    const auto stamp = StampOf(demo);
    ASSERT_TRUE(stamp.has_value());
    EXPECT_EQ(stamp->size, 3u);

    // The size step creates a missing file, with the name it was given.
    const std::string created = folder + "/n\xC3\xA9u.dm_68";
    EXPECT_EQ(CreateOrMeasureFile(created), 0u);
    EXPECT_TRUE(std::filesystem::is_regular_file(PathFromUtf8(created)));

    FileList list;
    list.setFolder(folder, ".dm_68");
    EXPECT_EQ(list.files(), (std::vector<std::string>{name, "n\xC3\xA9u.dm_68"}));

    SystemFolderCanonicalizer folders;
    std::string path = demo;
    ASSERT_TRUE(NormalizeDemoPath(path, folders));
    EXPECT_EQ(path.substr(path.size() - name.size() - 1), PathSeparator + name);
    EXPECT_EQ(ReadWholeFile(path), "abc");

    const std::string program = ProgramFolder("");
    EXPECT_TRUE(std::filesystem::is_directory(PathFromUtf8(program))) << program;
}

TEST(Files, TheSizeStepMeasuresOnlyRegularFilesAndCreatesNothingInAMissingFolder) {
    test::TempFolder temp;
    EXPECT_EQ(CreateOrMeasureFile(Utf8FromPath(temp.root())), std::nullopt);
    const std::string nowhere = Utf8FromPath(temp.root()) + "/no folder/x.dm_68";
    EXPECT_EQ(CreateOrMeasureFile(nowhere), std::nullopt);
    EXPECT_FALSE(std::filesystem::exists(PathFromUtf8(nowhere)));
#ifdef _WIN32
    EXPECT_EQ(CreateOrMeasureFile("NUL"), std::nullopt);
#else
    EXPECT_EQ(CreateOrMeasureFile("/dev/null"), std::nullopt);
#endif
}

TEST(Files, ProgramArgumentsAreUtf8AndOtherListsStayAsTheyAre) {
    const char* const given[] = {"prog", "d\xC3\xA9mo.dm_68", "--json"};
    EXPECT_EQ(ProgramArguments(3, given),
              (std::vector<std::string>{"prog", "d\xC3\xA9mo.dm_68", "--json"}));
#ifdef _WIN32
    // The process's own arguments come from the wide command line: the same
    // words as the ANSI ones wherever those are plain ASCII.
    const std::vector<std::string> own = ProgramArguments(__argc, __argv);
    ASSERT_EQ(own.size(), static_cast<std::size_t>(__argc));
    for (int i = 1; i < __argc; ++i) {
        EXPECT_EQ(own[static_cast<std::size_t>(i)], __argv[i]);
    }
    EXPECT_TRUE(own[0].ends_with(".exe")) << own[0];
#endif
}

} // namespace
} // namespace fenlark
