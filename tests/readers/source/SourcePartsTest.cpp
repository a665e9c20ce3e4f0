// The pieces of the Source reader that are easy to get subtly wrong: bit
// order, LZSS back references, string-table entries that reuse earlier
// strings, chat colour codes and broken UTF-8.

#include "SourceDemoWriter.h"

#include "readers/source/BitReader.h"
#include "readers/source/Lzss.h"
#include "readers/source/SourceChat.h"
#include "readers/source/SourceStringTables.h"
#include "readers/source/SourceText.h"

#include <gtest/gtest.h>

namespace fenlark::test {
namespace {

using readers::BitReader;
using namespace readers::source;

TEST(SourceBitReader, ReadsLeastSignificantBitFirstAcrossBytesAndStopsAtTheEnd) {
    BitWriter out;
    out.bits(5, 3);
    out.bits(0x12345, 20);
    out.string("ab");
    out.bits(0xdeadbeef, 32);
    BitReader in(out.data());
    EXPECT_EQ(in.bits(3), 5u);
    EXPECT_EQ(in.bits(20), 0x12345u);
    EXPECT_EQ(in.string(), "ab");
    EXPECT_EQ(in.u32(), 0xdeadbeefu);
    EXPECT_FALSE(in.overrun());
    EXPECT_EQ(in.bits(8), 0u);
    EXPECT_TRUE(in.overrun());

    const std::vector<std::uint8_t> unterminated = {'a', 'b'};
    BitReader text(unterminated);
    text.string();
    EXPECT_TRUE(text.overrun());
}

// Strings are found several bytes at a time: every bit offset, lengths
// around the group size, a cut kept part, and the end of the data inside
// and outside the reader's own range.
TEST(SourceBitReader, StringsAtAnyBitOffsetAndLengthKeepTheirBytesAndEnd) {
    for (unsigned offset = 0; offset < 8; ++offset) {
        for (std::size_t length = 0; length <= 17; ++length) {
            std::string text;
            for (std::size_t i = 0; i < length; ++i) {
                text += static_cast<char>(i % 2 == 0 ? 0x80 + i : 'a' + i); // no zero bytes
            }
            BitWriter out;
            out.bits(0, offset);
            out.string(text);
            out.bits(0x5a, 8);
            out.string(text);
            out.bits(0x3c, 8);
            BitReader in(out.data());
            in.bits(offset);
            EXPECT_EQ(in.string(5), text.substr(0, 5)) << offset << " " << length;
            EXPECT_EQ(in.u8(), 0x5au) << offset << " " << length;
            in.skipString();
            EXPECT_EQ(in.u8(), 0x3cu) << offset << " " << length;
            EXPECT_FALSE(in.overrun());

            // The same bytes read as a block, zero bytes and all.
            BitReader block(out.data());
            block.bits(offset);
            std::vector<std::uint8_t> copied(length + 2);
            block.bytes(copied);
            std::vector<std::uint8_t> expected(text.begin(), text.end());
            expected.push_back(0);
            expected.push_back(0x5a);
            EXPECT_EQ(copied, expected) << offset << " " << length;
            EXPECT_FALSE(block.overrun());

            // Without its zero byte the string runs to the end: what was
            // there is kept, and the reader is overrun.
            BitWriter cut;
            cut.bits(0, offset);
            for (const char c : text) {
                cut.bits(static_cast<std::uint8_t>(c), 8);
            }
            BitReader unterminated(cut.data());
            unterminated.bits(offset);
            EXPECT_EQ(unterminated.string(), text) << offset << " " << length;
            EXPECT_TRUE(unterminated.overrun());
            BitReader skipped(cut.data());
            skipped.bits(offset);
            skipped.skipString();
            EXPECT_TRUE(skipped.overrun());

            // A part taken out of a longer buffer ends where it ends, even
            // when a zero byte follows in the buffer.
            BitReader whole(out.data());
            whole.bits(offset);
            BitReader part = whole.take(length * 8);
            EXPECT_EQ(part.string(), text);
            EXPECT_TRUE(part.overrun());
        }
    }
}

TEST(SourceLzss, UnpacksLiteralsAndOverlappingBackReferences) {
    // "abcabcabc!": literals a b c, a reference 3 back of length 6, literal !,
    // then the end marker.
    const std::vector<std::uint8_t> packed = {'L',  'Z',  'S', 'S',  10,
                                              0,    0,    0, // magic, size 10
                                              0x28,          // flags: items 3 and 5 are references
                                              'a',  'b',  'c', 0x00, 0x25, // distance 3, length 6
                                              '!',  0x00, 0x00};           // end marker (length 1)
    const auto& data = packed;
    const auto plain = LzssDecompress(data, 1024);
    ASSERT_TRUE(plain);
    EXPECT_EQ(std::string(plain->begin(), plain->end()), "abcabcabc!");

    EXPECT_FALSE(LzssDecompress(data, 9)) << "more than the limit";
    auto far = data;
    far[12] = 0x01; // distance 19: before anything was written
    EXPECT_FALSE(LzssDecompress(far, 1024));
    auto cut = data;
    cut.resize(cut.size() - 2); // no end marker
    EXPECT_FALSE(LzssDecompress(cut, 1024));
}

TEST(SourceStringTables, EntriesReuseTheStartOfEarlierStringsAndSkipIndexes) {
    BitWriter out;
    out.bit(true); // entry 0
    out.bit(true);
    out.bit(false);
    out.string("models/player.mdl");
    out.bit(false);
    out.bit(false); // entry 5, explicit index
    out.bits(5, 4);
    out.bit(true);
    out.bit(true); // from history entry 0, 7 bytes
    out.bits(0, 5);
    out.bits(7, 5);
    out.string("weapon.mdl");
    out.bit(true); // 3 bytes of user data
    out.bits(3, 14);
    out.bytes({1, 2, 3});
    StringTableMeta table;
    table.maxEntries = 16;
    table.entryBits = 4;
    std::vector<std::pair<std::uint32_t, std::string>> seen;
    std::vector<std::uint8_t> data;
    BitReader in(out.data());
    ASSERT_TRUE(ReadStringTableEntries(in, table, 2, [&](const StringTableEntry& entry) {
        seen.emplace_back(entry.index, entry.text ? *entry.text : "");
        data.assign(entry.data.begin(), entry.data.end());
    }));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], std::make_pair(0u, std::string("models/player.mdl")));
    EXPECT_EQ(seen[1], std::make_pair(5u, std::string("models/weapon.mdl")));
    EXPECT_EQ(data, (std::vector<std::uint8_t>{1, 2, 3}));

    BitReader shortInput(std::span(out.data()).first(4));
    EXPECT_FALSE(ReadStringTableEntries(shortInput, table, 2, [](const StringTableEntry&) {}));
}

TEST(SourceText, ChatColoursAndBrokenUtf8) {
    EXPECT_EQ(WithoutChatColours("\x01\x07"
                                 "1E90FF[Rank] \x03Name \x01:  hi\x08"
                                 "11223344!"),
              "[Rank] Name :  hi!");
    // A 0x07 without six hex digits is not a colour: only the byte goes.
    EXPECT_EQ(WithoutChatColours("a\x07zz"), "azz");
    EXPECT_EQ(ValidUtf8("ok \xc3\xa9 \xff \xe2\x82"),
              "ok \xc3\xa9 \xef\xbf\xbd \xef\xbf\xbd\xef\xbf\xbd");
    EXPECT_EQ(ValidUtf8("\xed\xa0\x80"), "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd") << "surrogate";
    EXPECT_EQ(WithoutSenderPrefix("[Rank] Name :  hi", "Name"), "hi");
    EXPECT_EQ(WithoutSenderPrefix("Name is here", "Name"), "Name is here");
}

TEST(SourceChat, NoticesAreNotChatAndFormattedTextIsKept) {
    BitWriter notice;
    notice.bits(3, 8);
    notice.bits(1, 8);
    notice.string("#TF_Name_Change");
    notice.string("old");
    notice.string("new");
    EXPECT_FALSE(DecodeSayText2(BitReader(notice.data())));

    BitWriter formatted;
    formatted.bits(3, 8);
    formatted.bits(1, 8);
    formatted.string("\x01Name: \x04hello there");
    const auto line = DecodeSayText2(BitReader(formatted.data()));
    ASSERT_TRUE(line);
    EXPECT_EQ(line->client, 3u);
    EXPECT_EQ(line->text, "Name: hello there");
    EXPECT_TRUE(line->sender.empty());

    EXPECT_TRUE(ChatNumbersForGame("hl2mp"));
    EXPECT_FALSE(ChatNumbersForGame("cstrike")) << "numbers not checked on a real demo";
}

} // namespace
} // namespace fenlark::test
