// The buffered reader every engine reader stands on: reads across and beyond
// its buffer, and stops at the end of the source.

#include "readers/ByteStream.h"

#include <gtest/gtest.h>

namespace fenlark::readers {
namespace {

std::vector<std::uint8_t> Pattern(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    }
    return bytes;
}

TEST(ByteStreamTest, ReadsAcrossAndBeyondTheBuffer) {
    const auto bytes = Pattern(3 * ByteStream::BufferSize + 100);
    MemorySource source(bytes);
    ByteStream stream(source);
    ASSERT_TRUE(stream.seek(ByteStream::BufferSize - 3));
    std::vector<std::uint8_t> out(2 * ByteStream::BufferSize + 10);
    ASSERT_TRUE(stream.read(out));
    EXPECT_TRUE(
        std::equal(out.begin(), out.end(),
                   bytes.begin() + static_cast<std::ptrdiff_t>(ByteStream::BufferSize - 3)));
    const auto value = stream.u32();
    ASSERT_TRUE(value);
    const std::size_t at = 3 * ByteStream::BufferSize + 7;
    const std::uint32_t expected = std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8U |
                                   std::uint32_t{bytes[at + 2]} << 16U |
                                   std::uint32_t{bytes[at + 3]} << 24U;
    EXPECT_EQ(*value, expected);
}

TEST(ByteStreamTest, FailsWithoutMovingAtTheEnd) {
    MemorySource source({1, 2, 3});
    ByteStream stream(source);
    EXPECT_FALSE(stream.u32());
    EXPECT_EQ(stream.position(), 0u);
    EXPECT_EQ(stream.u16(), 0x0201);
    EXPECT_FALSE(stream.u16());
    EXPECT_EQ(stream.u8(), 3);
    EXPECT_TRUE(stream.atEnd());
    EXPECT_FALSE(stream.skip(1));
}

TEST(SpanReaderTest, OverrunGivesZeroAndIsRemembered) {
    const std::uint8_t bytes[] = {5, 0, 0, 0, 'h', 'i', 0, 'x'};
    SpanReader reader(bytes);
    EXPECT_EQ(reader.i32(), 5);
    EXPECT_EQ(reader.cString(), "hi");
    EXPECT_FALSE(reader.overrun());
    EXPECT_EQ(reader.cString(), "x"); // runs to the end without its zero byte
    EXPECT_TRUE(reader.overrun());
    EXPECT_EQ(reader.u16(), 0);
}

} // namespace
} // namespace fenlark::readers
