// Multi-view demos made here: every playing client's frags, the observer's
// copy of the chat, clients leaving play, effects stepped over, damage.

#include "readers/quake2/Quake2Readers.h"
#include "tests/readers/quake2/MessageBytes.h"

#include <gtest/gtest.h>

namespace fenlark::readers {
namespace {

using test::MessageBytes;

constexpr int PpsType = 1 << 0;
constexpr int PpsStats = 1 << 14;
constexpr int OldRemove = 1 << 15;
constexpr int Observer = 3;

MessageBytes& PlayerWithFrags(MessageBytes& m, int client, int frags) {
    return m.u8(client).u16(PpsStats).i32(1 << 14).u16(frags);
}

MessageBytes ServerData() {
    MessageBytes m;
    m.u8(4).i32(37).u16(2010).i32(9).text("").u16(Observer);
    m.u16(0).text("Multi View").u16(33).text("maps/mv.bsp");
    m.u16(1312).text("Ann\\female/athena").u16(1313).text("Ben\\male/grunt");
    m.u16(1312 + Observer).text("[MVDSPEC]\\male/grunt").u16(2080);
    m.u8(0); // no portal bits
    m.u8(0).u16(PpsType | PpsStats).u8(0).i32(1 << 14).u16(0);
    m.u8(1).u16(PpsType | PpsStats).u8(0).i32(1 << 14).u16(0);
    m.u8(Observer).u16(PpsType).u8(1);
    m.u8(255).u8(0).u8(0);
    return m;
}

MessageBytes Frame(int annFrags, int benFrags) {
    MessageBytes m;
    m.u8(6).u8(2).u8(0xAA).u8(0xBB); // two portal bytes
    PlayerWithFrags(m, 0, annFrags);
    if (benFrags >= 0) {
        PlayerWithFrags(m, 1, benFrags);
    } else {
        m.u8(1).u16(OldRemove);
    }
    m.u8(255);
    m.u8(0x83).u8(0x0A).u8(20).u8(1).u16(1).u16(2).u16(3); // entity 20: model, origin
    m.u8(0).u8(0);
    return m;
}

MessageBytes UnicastPrint(int client, std::string_view text) {
    MessageBytes payload;
    payload.u8(10).u8(3).text(text);
    MessageBytes m;
    m.u8(9).u8(static_cast<int>(payload.size())).u8(client).raw(payload.bytes());
    return m;
}

std::vector<std::uint8_t> File(const std::vector<MessageBytes>& messages) {
    MessageBytes file;
    file.u8('M').u8('V').u8('D').u8('2');
    for (const MessageBytes& message : messages) {
        file.u16(static_cast<int>(message.size())).raw(message.bytes());
    }
    file.u16(0);
    return file.bytes();
}

const MatchPlayer* Find(const EngineReport& report, std::string_view name) {
    for (const MatchPlayer& p : report.match.players) {
        if (p.name == name) {
            return &p;
        }
    }
    return nullptr;
}

std::vector<MessageBytes> Match() {
    std::vector<MessageBytes> messages{ServerData()};
    for (int frame = 1; frame <= 12; ++frame) {
        messages.push_back(Frame(frame, frame / 2));
    }
    MessageBytes effects;
    effects.u8(10).u8(3).u8(1).u8(2).u8(3);         // to everyone: three bytes
    effects.u8(11).u8(2).u16(77).u8(9).u8(9);       // near leaf 77: two bytes
    effects.u8(16).u8(0x01).u8(5).u8(200).u16(160); // a sound with its volume
    messages.push_back(effects);
    messages.push_back(UnicastPrint(0, "Ann: hello\n")); // Ann's own copy
    messages.push_back(UnicastPrint(Observer, "Ann: hello\n"));
    MessageBytes end;
    end.u8(17).u8(2).text("Fraglimit hit.\n");
    messages.push_back(end);
    messages.push_back(Frame(0, -1)); // the warm-up after the match
    return messages;
}

TEST(Q2ProCraftedDemo, FragsOfEveryPlayerUntilTheMatchEndsAndTheObserversChat) {
    const EngineReport report = test::Read(&ReadQ2ProMultiViewDemo, File(Match()));
    EXPECT_EQ(report.map, "mv");
    ASSERT_NE(Find(report, "Ann"), nullptr);
    EXPECT_EQ(Find(report, "Ann")->score, 12);
    EXPECT_EQ(Find(report, "Ben")->score, 6);
    EXPECT_EQ(Find(report, "[MVDSPEC]")->team, "spectator");
    ASSERT_EQ(report.match.chat.size(), 1U);
    EXPECT_EQ(report.match.chat[0].sender, "Ann");
    EXPECT_EQ(report.match.chat[0].timeMs, 1200);
    EXPECT_EQ(report.match.durationMs, 1300);
    EXPECT_EQ(report.match.ended.reason, "end marker");
}

TEST(Q2ProCraftedDemo, DamageAndUnknownFiles) {
    std::vector<std::uint8_t> bytes = File(Match());
    bytes.resize(bytes.size() - 8);
    EngineReport report = test::Read(&ReadQ2ProMultiViewDemo, bytes);
    EXPECT_EQ(report.match.ended.reason, "cut inside a record");
    EXPECT_EQ(report.players.size(), 3U);

    report = test::Read(&ReadQ2ProMultiViewDemo, {'M', 'V', 'D', '1', 0, 0});
    EXPECT_EQ(report.match.ended.reason, "unknown variant");

    // A player list that runs past its message.
    MessageBytes broken = ServerData();
    std::vector<std::uint8_t> cut = broken.bytes();
    cut.resize(cut.size() - 5);
    MessageBytes file;
    file.u8('M').u8('V').u8('D').u8('2').u16(static_cast<int>(cut.size())).raw(cut).u16(0);
    report = test::Read(&ReadQ2ProMultiViewDemo, file.bytes());
    EXPECT_EQ(report.match.ended.reason, "illegal data");
    EXPECT_EQ(report.match.ended.messagesRead, 0U);
}

} // namespace
} // namespace fenlark::readers
