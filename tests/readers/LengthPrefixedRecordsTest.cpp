// Record framing of the length-prefixed demo formats: each way the records
// run out gets its own reason and the offset the reading stopped at.

#include "readers/LengthPrefixedRecords.h"

#include <gtest/gtest.h>

namespace fenlark::readers {
namespace {

constexpr RecordFraming Int32Framing{
    .length = RecordLength::Int32, .endMarker = -1, .maxLength = 16};
constexpr RecordFraming UInt16Framing{
    .length = RecordLength::UInt16, .endMarker = 0, .maxLength = 0xFFFF};

struct Outcome {
    std::vector<std::vector<std::uint8_t>> records;
    RecordsEnd end;
};

Outcome ReadAll(std::vector<std::uint8_t> bytes, const RecordFraming& framing) {
    MemorySource source(std::move(bytes));
    ByteStream stream(source);
    Outcome outcome;
    std::vector<std::uint8_t> record;
    for (;;) {
        if (auto end = ReadLengthPrefixedRecord(stream, framing, record)) {
            outcome.end = *end;
            return outcome;
        }
        outcome.records.push_back(record);
    }
}

TEST(LengthPrefixedRecordsTest, EachEndingHasItsReasonAndOffset) {
    // Two records, then the end marker: the offset is past the marker.
    auto marked =
        ReadAll({2, 0, 0, 0, 'a', 'b', 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 9}, Int32Framing);
    ASSERT_EQ(marked.records.size(), 2U);
    EXPECT_EQ(marked.records[0], (std::vector<std::uint8_t>{'a', 'b'}));
    EXPECT_TRUE(marked.records[1].empty());
    EXPECT_EQ(marked.end.reason, "end marker");
    EXPECT_EQ(marked.end.byteOffset, 14U);

    auto unmarked = ReadAll({1, 0, 0, 0, 'x'}, Int32Framing);
    EXPECT_EQ(unmarked.records.size(), 1U);
    EXPECT_EQ(unmarked.end.reason, "end of file");
    EXPECT_EQ(unmarked.end.byteOffset, 5U);

    // Cut inside the length, and inside the body: both stop at the record start.
    EXPECT_EQ(ReadAll({1, 0, 0, 0, 'x', 3, 0}, Int32Framing).end.reason, "cut inside a record");
    const auto cutBody = ReadAll({1, 0, 0, 0, 'x', 3, 0, 0, 0, 'y'}, Int32Framing);
    EXPECT_EQ(cutBody.end.reason, "cut inside a record");
    EXPECT_EQ(cutBody.end.byteOffset, 5U);

    // A negative length other than the marker, and one over the limit.
    const auto negative = ReadAll({0xFE, 0xFF, 0xFF, 0xFF}, Int32Framing);
    EXPECT_EQ(negative.end.reason, "illegal data");
    EXPECT_EQ(negative.end.detail, "block length -2");
    EXPECT_EQ(ReadAll({17, 0, 0, 0}, Int32Framing).end.detail, "block length 17");
}

TEST(LengthPrefixedRecordsTest, SixteenBitLengthsEndAtZero) {
    const auto outcome = ReadAll({3, 0, 'a', 'b', 'c', 0, 0, 7, 7}, UInt16Framing);
    ASSERT_EQ(outcome.records.size(), 1U);
    EXPECT_EQ(outcome.end.reason, "end marker");
    EXPECT_EQ(outcome.end.byteOffset, 7U);
}

TEST(LengthPrefixedRecordsTest, TheFirstStopIsKept) {
    ReadingEnd end;
    end.stop("illegal data", "opcode 99", 4, 120);
    end.stop("end of file", {}, 5, 200);
    EXPECT_EQ(end.facts().reason, "illegal data");
    EXPECT_EQ(end.facts().detail, "opcode 99");
    EXPECT_EQ(end.facts().messagesRead, 4U);
    EXPECT_EQ(end.facts().byteOffset, 120U);
}

} // namespace
} // namespace fenlark::readers
