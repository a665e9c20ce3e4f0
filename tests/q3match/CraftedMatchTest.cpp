// Demos written with the test writer: the players' comings and goings, chat,
// obituaries of every kind, scores, and demos that end badly.

#include "CraftedDemo.h"

#include <gtest/gtest.h>

#include <atomic>

namespace fenlark::test {
namespace {

using Kind = MatchPlayerEvent::Kind;

const char* const Ffa = "\\mapname\\q3dm17\\g_gametype\\0\\gamename\\baseq3";
const char* const Tdm = "\\mapname\\q3dm17\\g_gametype\\3\\gamename\\baseq3";

MatchFacts Analyse(CraftedDemo& demo) {
    demo.builder().endMarker();
    return demo.analyse();
}

TEST(CraftedMatch, PlayersJoinLeaveRenameAndChangeTeamAtTheirSnapshotsTime) {
    CraftedDemo demo;
    demo.gamestate({{0, Tdm}, {544, "n\\^1Al^7ice\\t\\1"}, {545, "n\\Bob\\t\\2"}}, 0)
        .snapshot(10000)
        .snapshot(12000, {}, {"cs 546 \"n\\Carl\\t\\2\"", "cs 545 \"n\\Bobby\\t\\2\""});
    // The same two commands sent again: they count once.
    demo.snapshotWith(12050, {},
                      {{demo.lastCommand() - 1, "cs 546 \"n\\Carl\\t\\2\""},
                       {demo.lastCommand(), "cs 545 \"n\\Bobby\\t\\2\""}},
                      1);
    demo.snapshot(14000, {}, {"cs 545 \"n\\Bobby\\t\\3\"", "cs 544 \"\""});
    const MatchFacts facts = Analyse(demo);

    ASSERT_TRUE(facts.recorder);
    EXPECT_EQ(facts.recorder->clientNumber, 0);
    EXPECT_EQ(facts.recorder->name, "Alice");
    EXPECT_EQ(facts.firstServerTime, 10000);
    EXPECT_EQ(facts.lastServerTime, 14000);
    EXPECT_EQ(facts.durationMs, 4000);

    ASSERT_EQ(facts.players.size(), 3u);
    EXPECT_EQ(facts.players[0].name, "Alice");
    EXPECT_EQ(facts.players[0].team, "red");
    EXPECT_EQ(facts.players[0].joinedMs, 0);
    EXPECT_EQ(facts.players[0].leftMs, 4000);
    EXPECT_EQ(facts.players[1].name, "Bobby");
    EXPECT_EQ(facts.players[1].team, "spectator");
    EXPECT_FALSE(facts.players[1].leftMs);
    EXPECT_EQ(facts.players[2].name, "Carl");
    EXPECT_EQ(facts.players[2].clientNumber, 2);
    EXPECT_EQ(facts.players[2].joinedMs, 2000);

    ASSERT_EQ(facts.playerEvents.size(), 4u);
    EXPECT_EQ(facts.playerEvents[0].kind, Kind::Join);
    EXPECT_EQ(facts.playerEvents[0].name, "Carl");
    EXPECT_EQ(facts.playerEvents[0].timeMs, 2000);
    EXPECT_EQ(facts.playerEvents[1].kind, Kind::Rename);
    EXPECT_EQ(facts.playerEvents[1].name, "Bobby");
    EXPECT_EQ(facts.playerEvents[1].value, "Bob");
    EXPECT_EQ(facts.playerEvents[2].kind, Kind::TeamChange);
    EXPECT_EQ(facts.playerEvents[2].value, "spectator");
    EXPECT_EQ(facts.playerEvents[2].timeMs, 4000);
    EXPECT_EQ(facts.playerEvents[3].kind, Kind::Leave);
    EXPECT_EQ(facts.playerEvents[3].name, "Alice");
}

TEST(CraftedMatch, AnotherGamestateComparesEverySlot) {
    CraftedDemo demo;
    demo.gamestate({{0, Ffa}, {544, "n\\One\\t\\0"}, {545, "n\\Two\\t\\0"}}, 1)
        .snapshot(1000)
        .gamestate({{0, Ffa}, {545, "n\\Two\\t\\0"}, {546, "n\\Three\\t\\0"}}, 1)
        .snapshot(3000);
    const MatchFacts facts = Analyse(demo);
    ASSERT_EQ(facts.players.size(), 3u);
    EXPECT_EQ(facts.players[0].leftMs, 0); // the gamestate has no snapshot time of its own
    EXPECT_FALSE(facts.players[1].leftMs);
    EXPECT_EQ(facts.players[2].name, "Three");
    ASSERT_EQ(facts.playerEvents.size(), 2u);
    EXPECT_EQ(facts.playerEvents[0].kind, Kind::Leave);
    EXPECT_EQ(facts.playerEvents[1].kind, Kind::Join);
    EXPECT_EQ(facts.recorder->name, "Two");
}

TEST(CraftedMatch, ChatLinesLoseColourCodesAndKnowTheirSender) {
    CraftedDemo demo;
    demo.gamestate({{0, Tdm}, {544, "n\\^4Blue\\t\\2"}}, 0)
        .snapshot(500)
        .snapshot(1500, {},
                  {"chat \"^1Bad^7Guy^7\x19: ^2hello ^3world\"",
                   "tchat \"\x19(^4Blue^7\x19) (Red Base)\x19: ^5go go\"",
                   "print \"not a chat line\"", "chat \"Server is restarting\"",
                   "chat \"n^1^^7Le\x19: ^2caret\""});
    const MatchFacts facts = Analyse(demo);
    ASSERT_EQ(facts.chat.size(), 4u);
    EXPECT_EQ(facts.chat[0].sender, "BadGuy");
    EXPECT_EQ(facts.chat[0].text, "hello world");
    EXPECT_FALSE(facts.chat[0].team);
    EXPECT_EQ(facts.chat[0].timeMs, 1000);
    EXPECT_EQ(facts.chat[1].sender, "Blue");
    EXPECT_EQ(facts.chat[1].text, "go go");
    EXPECT_TRUE(facts.chat[1].team);
    EXPECT_EQ(facts.chat[2].sender, "");
    EXPECT_EQ(facts.chat[2].text, "Server is restarting");
    EXPECT_EQ(facts.chat[3].sender, "n^Le"); // "^^" is no colour code
}

TEST(CraftedMatch, QuakeLiveChatNamesItsSenderByClientNumberAndKeepsUtf8) {
    CraftedDemo demo(91);
    demo.gamestate({{0, "\\g_gametype\\1"}, {532, "n\\\xe3\x83\x86ro\\t\\0"}}, 3)
        .snapshot(700)
        .snapshot(
            900, {},
            {"chat \"03 [CLAN] ^1\xe3\x83\x86ro^7\x19: ^2gg\"", "chat \"07 Ghost^7\x19: ^2boo\""});
    const MatchFacts facts = Analyse(demo);
    ASSERT_EQ(facts.chat.size(), 2u);
    EXPECT_EQ(facts.chat[1].sender, "Ghost"); // no player in slot 7
    EXPECT_EQ(facts.chat[0].sender, "\xe3\x83\x86ro");
    EXPECT_EQ(facts.chat[0].senderClientNumber, 3);
    EXPECT_EQ(facts.chat[0].text, "gg");
    EXPECT_EQ(facts.gameType->name, "duel");
}

TEST(CraftedMatch, CpmaTeamChatNamesTheSlot) {
    CraftedDemo demo;
    demo.gamestate({{0, "\\g_gametype\\3\\gamename\\cpma"}, {545, "n\\myT\\t\\1"}}, 1)
        .snapshot(100, {}, {"mm2 1 4 \"^3incoming\""});
    const MatchFacts facts = Analyse(demo);
    ASSERT_EQ(facts.chat.size(), 1u);
    EXPECT_TRUE(facts.chat[0].team);
    EXPECT_EQ(facts.chat[0].sender, "myT");
    EXPECT_EQ(facts.chat[0].text, "incoming");
}

TEST(CraftedMatch, ObituariesOfEveryKindCountOnceEach) {
    CraftedDemo demo;
    demo.gamestate({{0, Ffa}, {544, "n\\Killer\\t\\0"}, {545, "n\\Victim\\t\\0"}}, 0)
        .snapshot(1000)
        .snapshot(1050, {demo.obituary(100, 1, 0, 10)})
        // The event entity stays a few frames, unchanged.
        .snapshot(1100, {})
        .snapshot(1150, {demo.obituary(101, 1, 1022, 19), demo.obituary(102, 0, 0, 20)})
        .snapshot(1200, {{100, EntityDelta::Kind::Removed, -1, {}},
                         {101, EntityDelta::Kind::Removed, -1, {}},
                         {102, EntityDelta::Kind::Removed, -1, {}}})
        // The same slot and the same values again, later: a new kill.
        .snapshot(2500, {demo.obituary(100, 1, 0, 10), demo.obituary(103, 0, 1, 99)});
    const MatchFacts facts = Analyse(demo);
    ASSERT_EQ(facts.frags.size(), 5u);
    EXPECT_EQ(facts.frags[0].killer, "Killer");
    EXPECT_EQ(facts.frags[0].victim, "Victim");
    EXPECT_EQ(facts.frags[0].means, "railgun");
    EXPECT_EQ(facts.frags[0].timeMs, 50);
    EXPECT_EQ(facts.frags[1].killer, ""); // the world
    EXPECT_FALSE(facts.frags[1].killerClientNumber);
    EXPECT_EQ(facts.frags[1].means, "falling");
    EXPECT_EQ(facts.frags[2].killer, "Killer");
    EXPECT_EQ(facts.frags[2].victim, "Killer");
    EXPECT_EQ(facts.frags[2].means, "suicide");
    EXPECT_EQ(facts.frags[3].timeMs, 1500);
    EXPECT_EQ(facts.frags[4].means, "99"); // a number the game's table lacks
    EXPECT_EQ(facts.frags[4].meansNumber, 99);
}

TEST(CraftedMatch, MeansOfDeathAreNamedByTheGamesOwnTable) {
    // 23 is the grapple in Quake III, the nailgun in the mission pack and
    // OpenArena; Quake Live has means the others lack.
    const auto meansOf = [](int protocol, const char* serverInfo, unsigned means) {
        CraftedDemo demo(protocol);
        const int players = protocol >= 73 ? 529 : 544;
        demo.gamestate({{0, serverInfo}, {players, "n\\A\\t\\0"}, {players + 1, "n\\B\\t\\0"}})
            .snapshot(10, {demo.obituary(70, 1, 0, means)});
        const MatchFacts facts = Analyse(demo);
        return facts.frags.empty() ? std::string("none") : facts.frags[0].means;
    };
    EXPECT_EQ(meansOf(68, "\\gamename\\baseq3", 23), "grapple");
    EXPECT_EQ(meansOf(71, "\\gamename\\baseoa", 23), "nailgun");
    EXPECT_EQ(meansOf(71, "\\gamename\\baseoa", 28), "grapple");
    EXPECT_EQ(meansOf(68, "\\gamename\\cpma", 8), "plasma");
    EXPECT_EQ(meansOf(73, "\\gamename\\baseqz", 29), "team switch");
    EXPECT_EQ(meansOf(91, "", 32), "heavy machinegun");
}

TEST(CraftedMatch, EntitiesAreRebuiltFromOlderReferencesAndBaselines) {
    CraftedDemo demo;
    // The baseline of entity 200 already holds the obituary's type and means;
    // the snapshot sends only who died by whose hand.
    const std::uint32_t obituaryType = 73;
    demo.gamestate({{0, Ffa}, {544, "n\\A\\t\\0"}, {545, "n\\B\\t\\0"}}, 0,
                   {{200,
                     EntityDelta::Kind::Changed,
                     -1,
                     {EntityField(68, "eType", obituaryType), EntityField(68, "eventParm", 7)}}});
    demo.snapshot(1000)                                // sequence 501, full
        .snapshot(1050, {demo.obituary(100, 1, 0, 6)}) // 502
        .snapshot(1100, {});                           // 503
    // Delta-coded against 501, which lacks entity 100: the server sends it
    // again from its baseline. It is the same event, not a new one.
    demo.snapshotWith(1150, {demo.obituary(100, 1, 0, 6)}, {}, 3); // 504
    demo.snapshot(
        1200, {{200,
                EntityDelta::Kind::Changed,
                -1,
                {EntityField(68, "otherEntityNum", 0), EntityField(68, "otherEntityNum2", 1)}}});
    const MatchFacts facts = Analyse(demo);
    ASSERT_EQ(facts.frags.size(), 2u);
    EXPECT_EQ(facts.frags[0].means, "rocket");
    EXPECT_EQ(facts.frags[1].means, "rocket splash");
    EXPECT_EQ(facts.frags[1].killer, "B");
    EXPECT_EQ(facts.frags[1].victim, "A");
    EXPECT_EQ(facts.frags[1].timeMs, 200);
}

TEST(CraftedMatch, AnEventGoneLongerThanItsLifetimeFiresAgain) {
    CraftedDemo demo;
    demo.gamestate({{0, Ffa}, {544, "n\\A\\t\\0"}, {545, "n\\B\\t\\0"}}, 0)
        .snapshot(1000)                                // 501, full
        .snapshot(1050, {demo.obituary(100, 1, 0, 6)}) // 502: fires
        .snapshot(1100);                               // 503
    // 504 is coded against 501, so entity 100 is gone again; 505 brings it
    // back from 503 within the event's lifetime: the same event.
    demo.snapshotWith(1150, {}, {}, 3).snapshotWith(1200, {}, {}, 2);
    // 506 is coded against 501 again; 507 sends the same values half a
    // second later: the slot holds a new obituary.
    demo.snapshotWith(1300, {}, {}, 5).snapshot(1700, {demo.obituary(100, 1, 0, 6)});
    // A full snapshot without it, then the same values once more.
    demo.snapshotWith(1800, {}, {}, 0).snapshot(2500, {demo.obituary(100, 1, 0, 6)});
    const MatchFacts facts = Analyse(demo);
    ASSERT_EQ(facts.frags.size(), 3u);
    EXPECT_EQ(facts.frags[0].timeMs, 50);
    EXPECT_EQ(facts.frags[1].timeMs, 700);
    EXPECT_EQ(facts.frags[2].timeMs, 1500);
}

TEST(CraftedMatch, AnEventsLifetimeCountsFromTheLastSnapshotThatHeldIt) {
    CraftedDemo demo;
    const EntityDelta gone{100, EntityDelta::Kind::Removed, -1, {}};
    demo.gamestate({{0, Ffa}, {544, "n\\A\\t\\0"}, {545, "n\\B\\t\\0"}}, 0)
        .snapshot(1000)
        .snapshot(1050, {demo.obituary(100, 1, 0, 6)}) // fires
        .snapshot(1100)
        .snapshot(1200)
        .snapshot(1300) // last held at 1300
        .snapshot(1350, {gone})
        // Exactly an event's lifetime after it was last held: the same event.
        .snapshot(1600, {demo.obituary(100, 1, 0, 6)})
        .snapshot(1650, {gone})
        // 320 ms after 1600, though only 270 ms after it went: a new one.
        .snapshot(1920, {demo.obituary(100, 1, 0, 6)});
    const MatchFacts facts = Analyse(demo);
    ASSERT_EQ(facts.frags.size(), 2u);
    EXPECT_EQ(facts.frags[0].timeMs, 50);
    EXPECT_EQ(facts.frags[1].timeMs, 920);
}

TEST(CraftedMatch, ADamagedSnapshotLeavesNoTraceAndNumbersGoingBackStartAfresh) {
    CraftedDemo demo;
    demo.gamestate({{0, Ffa}, {544, "n\\A\\t\\0"}, {545, "n\\B\\t\\0"}}, 0).snapshot(1000); // 501
    // 502 names its entities out of order: it is not used, and the obituary
    // it held is no state of any later snapshot.
    demo.snapshot(1050, {demo.obituary(100, 1, 0, 6), {80, EntityDelta::Kind::Changed, -1, {}}});
    demo.snapshotWith(1100, {}, {}, 2)                  // 503, against 501
        .snapshot(1150, {demo.obituary(100, 1, 0, 6)}); // 504: fires
    // A record whose number goes back: what was known is forgotten, so the
    // obituary still held is new again.
    Snapshot full;
    full.serverTime = 1200;
    full.entities = {demo.obituary(100, 1, 0, 6)};
    demo.builder().record(400, SnapshotMessage(full, demo.protocol()));
    const MatchFacts facts = Analyse(demo);
    ASSERT_EQ(facts.frags.size(), 2u);
    EXPECT_EQ(facts.frags[0].timeMs, 150);
    EXPECT_EQ(facts.frags[1].timeMs, 200);
}

TEST(CraftedMatch, AReferenceBeyondManySnapshotsStillRebuildsTheEntities) {
    CraftedDemo demo;
    demo.gamestate({{0, Ffa}, {544, "n\\A\\t\\0"}, {545, "n\\B\\t\\0"}}, 0)
        .snapshot(1000)                                 // 501, full
        .snapshot(1050, {demo.obituary(100, 1, 0, 6)}); // 502: fires
    const auto record = [&demo](std::int32_t sequence, std::int32_t reference,
                                std::int32_t serverTime, std::vector<EntityDelta> entities) {
        Snapshot snap;
        snap.serverTime = serverTime;
        snap.deltaNumber = static_cast<std::uint8_t>(sequence - reference);
        snap.entities = std::move(entities);
        demo.builder().record(sequence, SnapshotMessage(snap, demo.protocol()));
    };
    // Records 533 and 565 are missing, so 501 keeps its place among the
    // kept snapshots while 62 others follow it.
    std::int32_t time = 1050;
    for (std::int32_t sequence = 503; sequence <= 564; ++sequence) {
        if (sequence != 533) {
            record(sequence, sequence == 534 ? 532 : sequence - 1, time += 50, {});
        }
    }
    // Against 501, which lacks entity 100: it is gone. Sent again longer
    // than an event's lifetime later, it is a new event.
    record(566, 501, time + 50, {});
    record(567, 566, time + 400, {demo.obituary(100, 1, 0, 6)});
    const MatchFacts facts = Analyse(demo);
    ASSERT_EQ(facts.frags.size(), 2u);
    EXPECT_EQ(facts.frags[1].timeMs, time + 400 - 1000);
}

TEST(CraftedMatch, SnapshotsWhoseReferenceIsGoneAreSkipped) {
    CraftedDemo demo;
    demo.gamestate({{0, Ffa}, {544, "n\\A\\t\\0"}, {545, "n\\B\\t\\0"}}, 0).snapshot(1000);
    // A reference 40 records back can no longer be at hand.
    demo.snapshotWith(1050, {demo.obituary(100, 1, 0, 6)}, {}, 40);
    const MatchFacts facts = Analyse(demo);
    EXPECT_TRUE(facts.frags.empty());
    EXPECT_EQ(facts.durationMs, 50); // its time still counts
}

TEST(CraftedMatch, ScoresOfCommandsPlayerStateAndTeamsGiveTheWinner) {
    CraftedDemo ffa;
    PlayerDelta recorderScore;
    recorderScore.arrays[1] = {{0, 12}}; // persistant[0], the score
    ffa.gamestate({{0, Ffa}, {544, "n\\Rec\\t\\0"}, {545, "n\\Foe\\t\\0"}, {546, "n\\Spec\\t\\3"}},
                  0)
        .snapshot(100)
        // "scores COUNT RED BLUE" then 14 values per player, client first.
        .snapshot(200, {},
                  {"scores 3 0 0 0 9 10 1 0 0 0 0 0 0 0 0 0 0 1 11 20 1 0 0 0 0 0 0 0 0 0 0 2 7 30 "
                   "1 0 0 0 0 0 0 0 0 0 0"})
        .snapshot(300, {}, {}, recorderScore);
    const MatchFacts facts = Analyse(ffa);
    ASSERT_EQ(facts.players.size(), 3u);
    EXPECT_EQ(facts.players[0].score, 12); // the player state came last
    EXPECT_EQ(facts.players[1].score, 11);
    EXPECT_FALSE(facts.players[2].score); // a spectator's score is not his own
    EXPECT_EQ(facts.winner, "Rec");
    EXPECT_FALSE(facts.teamScores);

    // The last player state counts even when a gamestate without snapshots
    // follows it.
    CraftedDemo again;
    again.gamestate({{0, Ffa}, {544, "n\\Rec\\t\\0"}}, 0)
        .snapshot(100, {}, {}, recorderScore)
        .gamestate({{0, Ffa}, {544, "n\\Rec\\t\\0"}}, 0);
    EXPECT_EQ(Analyse(again).players.at(0).score, 12);

    CraftedDemo tdm;
    tdm.gamestate({{0, Tdm}, {6, "4"}, {7, "5"}, {544, "n\\R\\t\\1"}, {545, "n\\B\\t\\2"}}, 0)
        .snapshot(100)
        .snapshot(200, {}, {"cs 6 \"9\""});
    const MatchFacts team = Analyse(tdm);
    ASSERT_TRUE(team.teamScores);
    EXPECT_EQ(team.teamScores->red, 9);
    EXPECT_EQ(team.teamScores->blue, 5);
    EXPECT_EQ(team.winner, "red");
}

TEST(CraftedMatch, TiesAndUnknownScoresNameNoWinner) {
    CraftedDemo tie;
    tie.gamestate({{0, Tdm}, {6, "3"}, {7, "3"}}).snapshot(100);
    EXPECT_FALSE(Analyse(tie).winner);

    CraftedDemo unknown;
    unknown.gamestate({{0, Ffa}, {544, "n\\A\\t\\0"}, {545, "n\\B\\t\\0"}}, 0).snapshot(100);
    EXPECT_FALSE(Analyse(unknown).winner); // B's score never came
}

TEST(CraftedMatch, ADemoCutInsideARecordKeepsWhatCameBefore) {
    CraftedDemo demo;
    demo.gamestate({{0, Ffa}, {544, "n\\A\\t\\0"}}, 0)
        .snapshot(1000, {}, {"chat \"A^7\x19: ^2before the cut\""})
        .snapshot(1050);
    const std::uint64_t cutAt = demo.bytes().size();
    demo.builder().header(demo.nextSequence(), 300).raw("only a few bytes");
    const MatchFacts facts = demo.analyse();
    EXPECT_EQ(facts.ended.reason, "cut inside a record");
    EXPECT_EQ(facts.ended.messagesRead, 3u);
    EXPECT_EQ(facts.ended.byteOffset, cutAt);
    ASSERT_EQ(facts.chat.size(), 1u);
    EXPECT_EQ(facts.durationMs, 50);
}

TEST(CraftedMatch, EveryWayOfEndingIsReported) {
    CraftedDemo clean;
    clean.gamestate({{0, Ffa}}).snapshot(10);
    const std::uint64_t size = clean.bytes().size();
    EXPECT_EQ(clean.analyse().ended.reason, "end of file");
    clean.builder().endMarker();
    const MatchFacts ended = clean.analyse();
    EXPECT_EQ(ended.ended.reason, "end marker");
    EXPECT_EQ(ended.ended.byteOffset, size);

    CraftedDemo tooLong;
    tooLong.gamestate({{0, Ffa}}).builder().header(600, 20000);
    EXPECT_EQ(tooLong.analyse().ended.reason, "illegal data");

    // A message holding operation byte 42 after a good one.
    CraftedDemo illegal;
    illegal.gamestate({{0, Ffa}, {544, "n\\A\\t\\0"}}).snapshot(10, {}, {"chat \"A\x19: hi\""});
    const std::uint64_t damagedAt = illegal.bytes().size();
    MessageWriter writer(68);
    writer.acknowledge();
    writer.byte(42);
    illegal.builder().record(illegal.nextSequence(), writer.finish()).endMarker();
    const MatchFacts damaged = illegal.analyse();
    EXPECT_EQ(damaged.ended.reason, "illegal data");
    EXPECT_NE(damaged.ended.detail.find("42"), std::string::npos);
    EXPECT_EQ(damaged.ended.messagesRead, 2u);
    EXPECT_EQ(damaged.ended.byteOffset, damagedAt);
    EXPECT_EQ(damaged.chat.size(), 1u);
    EXPECT_EQ(damaged.players.size(), 1u);
}

TEST(CraftedMatch, CancellingStopsAndProgressReachesTheEnd) {
    CraftedDemo demo;
    demo.gamestate({{0, Ffa}}).snapshot(10).snapshot(20);
    demo.builder().endMarker();
    const std::atomic<bool> cancel{true};
    q3match::AnalysisOptions options;
    options.cancel = &cancel;
    const MatchFacts cancelled = demo.analyse(options);
    EXPECT_EQ(cancelled.ended.reason, "cancelled");
    EXPECT_EQ(cancelled.ended.messagesRead, 0u);

    std::uint64_t lastRead = 0;
    std::uint64_t lastTotal = 0;
    options.cancel = nullptr;
    options.progress = [&](std::uint64_t read, std::uint64_t total) {
        lastRead = read;
        lastTotal = total;
    };
    demo.analyse(options);
    EXPECT_EQ(lastTotal, demo.bytes().size());
    EXPECT_EQ(lastRead + 8, lastTotal); // all but the end marker
}

} // namespace
} // namespace fenlark::test
