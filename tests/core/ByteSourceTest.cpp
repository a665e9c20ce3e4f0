// Reading demo bytes: only regular files open, and nothing waits on a FIFO.

#include "core/ByteSource.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fenlark {
namespace {

TEST(FileSourceTest, OpensOnlyRegularFiles) {
    const auto folder = std::filesystem::temp_directory_path() /
                        ("fenlark-bytesource-" + std::to_string(std::random_device()()));
    std::filesystem::create_directories(folder);
    const auto file = folder / "demo.dm_68";
    std::ofstream(file, std::ios::binary) << "abcdef";

    auto source = FileSource::open(file.string());
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->size(), 6u);
    std::array<std::uint8_t, 4> buffer{};
    EXPECT_EQ(source->readAt(4, buffer), 2u);
    EXPECT_EQ(buffer[0], 'e');
    EXPECT_EQ(source->readAt(6, buffer), 0u);

    // A FIFO without a writer would block a plain open; a device or folder has no bytes of a demo.
#ifdef _WIN32
    EXPECT_EQ(FileSource::open("NUL"), nullptr);
    EXPECT_EQ(FileSource::open("\\\\.\\NUL"), nullptr);
#else
    const auto fifo = folder / "pipe.dm_68";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", folder / "zero.dm_68");
    EXPECT_EQ(FileSource::open(fifo.string()), nullptr);
    EXPECT_EQ(FileSource::open((folder / "zero.dm_68").string()), nullptr);
#endif
    EXPECT_EQ(FileSource::open(folder.string()), nullptr);
    EXPECT_EQ(FileSource::open((folder / "missing").string()), nullptr);
    source.reset(); // Windows removes no folder that holds an open file
    std::filesystem::remove_all(folder);
}

TEST(FileSourceTest, EveryStreamStartsAtTheFirstByte) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("fenlark-bytesource-stream-" + std::to_string(::getpid()));
    std::ofstream(path, std::ios::binary) << "abcdef";
    auto source = FileSource::open(path.string());
    ASSERT_NE(source, nullptr);
    // Streams share the open file's position: one that read leaves it moved.
    for (int round = 0; round < 2; ++round) {
        std::FILE* stream = source->openStream();
        ASSERT_NE(stream, nullptr);
        std::array<char, 4> start{};
        EXPECT_EQ(std::fread(start.data(), 1, 3, stream), 3u);
        EXPECT_STREQ(start.data(), "abc");
        std::fclose(stream);
    }
    std::array<std::uint8_t, 2> buffer{};
    EXPECT_EQ(source->readAt(4, buffer), 2u);
    EXPECT_EQ(buffer[1], 'f');
    std::filesystem::remove(path);
}

TEST(MemorySourceTest, ReadsInsideAndNothingPastTheEnd) {
    MemorySource empty({});
    std::array<std::uint8_t, 4> buffer{};
    EXPECT_EQ(empty.readAt(0, buffer), 0u);
    MemorySource bytes({1, 2, 3});
    EXPECT_EQ(bytes.readAt(1, buffer), 2u);
    EXPECT_EQ(buffer[1], 3);
    EXPECT_EQ(bytes.readAt(1, std::span<std::uint8_t>()), 0u);
}

} // namespace
} // namespace fenlark
