// Damaged input: demos cut at every point, bits flipped at random, payloads of
// random bytes. The reader must neither crash, hang nor read outside its
// buffers (this suite also runs under AddressSanitizer and UBSan), and what
// it read before the damage must not change.

#include "DemoWriter.h"
#include "TempDemo.h"
#include "Walker.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <set>

namespace fenlark::test {
namespace {

namespace fs = std::filesystem;
using demoreader::MessageStatus;

bool IsEndMarker(const std::string& bytes, std::size_t start) {
    std::int32_t length;
    std::memcpy(&length, bytes.data() + start + 4, 4);
    return length == -1;
}

// Offsets where the records of a demo start, and where its end marker is.
std::vector<std::size_t> RecordStarts(const std::string& bytes) {
    std::vector<std::size_t> starts;
    std::size_t at = 0;
    while (at + 8 <= bytes.size()) {
        std::int32_t length;
        std::memcpy(&length, bytes.data() + at + 4, 4);
        starts.push_back(at);
        if (length < 0) {
            break;
        }
        at += 8 + static_cast<std::size_t>(length);
    }
    return starts;
}

// One small real demo of each kind of table, or nothing without the folder.
std::vector<fs::path> SampleDemos() {
    std::vector<fs::path> paths;
    for (const char* name :
         {"dm_68/udt_dm_68_cpma_core_gameplay_dev.dm_68",
          "dm_66/udt_dm_66_67_2001_-_Duel_3_(WCG).dm_66",
          "dm_73/evil-v-Spart1e-sinister-21618-truncated.dm_73",
          "dm_90/udt_dm_90_gameplay_default_online.dm_90", "dm_91/udt_dm_91_duel.dm_91",
          "q3_dm3_dm48/udt_dm_48_duel.dm_48", "q3_dm3_dm48/udt_dm3_duel.dm3"}) {
        if (fs::exists(DemoFolder / name)) {
            paths.push_back(DemoFolder / name);
        }
    }
    return paths;
}

// A demo cut anywhere reads its complete records exactly as the whole demo
// does, then reports where the cut fell: between records or inside one.
TEST(Damage, EveryTruncationPoint) {
    const std::vector<fs::path> demos = SampleDemos();
    if (demos.empty()) {
        GTEST_SKIP() << "no demo folder";
    }
    for (const fs::path& path : demos) {
        SCOPED_TRACE(path.filename().string());
        std::string whole = ReadWhole(path);
        // The first 24 kB of each: every offset around the first record
        // headers (where the kind of damage changes) and a few hundred more.
        whole.resize(std::min<std::size_t>(whole.size(), 24000));
        const std::vector<std::size_t> starts = RecordStarts(whole);
        const std::string extension = path.extension().string();
        std::set<std::size_t> cuts;
        for (std::size_t i = 0; i < starts.size(); ++i) {
            const std::size_t start = starts[i];
            if (i >= 12 && i + 1 != starts.size()) {
                continue;
            }
            for (std::size_t cut = start > 2 ? start - 2 : 0; cut <= start + 10; ++cut) {
                cuts.insert(std::min(cut, whole.size()));
            }
        }
        for (std::size_t cut = 0; cut <= whole.size(); cut += whole.size() / 200 + 1) {
            cuts.insert(cut);
        }
        cuts.insert(whole.size());
        for (const std::size_t cut : cuts) {
            const TempDemo demo(whole.substr(0, cut), extension);
            const WalkResult walk = WalkDemo(demo.path());
            std::uint64_t complete = 0;
            bool atBoundary = cut == 0;
            for (std::size_t i = 0; i < starts.size() && !IsEndMarker(whole, starts[i]); ++i) {
                const std::size_t end = i + 1 < starts.size() ? starts[i + 1] : whole.size() + 1;
                complete += end <= cut ? 1 : 0;
                atBoundary = atBoundary || end == cut;
            }
            const bool marker =
                !starts.empty() && IsEndMarker(whole, starts.back()) && cut >= starts.back() + 8;
            ASSERT_EQ(walk.messages, complete) << "cut at " << cut;
            ASSERT_EQ(walk.status,
                      static_cast<std::int32_t>(marker       ? MessageStatus::EndMarker
                                                : atBoundary ? MessageStatus::EndWithoutMarker
                                                             : MessageStatus::Truncated))
                << "cut at " << cut;
            ASSERT_TRUE(walk.misplaced.empty()) << "cut at " << cut;
        }
    }
}

// Flipped bits anywhere in a demo: in headers they make lengths absurd, in
// payloads they make any operation, field count or string. Every walk ends.
TEST(Damage, RandomBitFlips) {
    std::vector<std::pair<std::string, std::string>> demos;
    for (const fs::path& path : SampleDemos()) {
        std::string bytes = ReadWhole(path);
        bytes.resize(std::min<std::size_t>(bytes.size(), 60000));
        demos.emplace_back(path.extension().string(), bytes);
    }
    // Without the folder, a written demo serves.
    Snapshot snapshot;
    snapshot.serverTime = 5;
    for (unsigned i = 0; i < 40; ++i) {
        snapshot.entities.push_back({i * 3,
                                     EntityDelta::Kind::Changed,
                                     -1,
                                     {{1, FloatBits(0.5f * static_cast<float>(i))}, {11, i}}});
    }
    DemoBuilder written;
    written.record(0, GamestateMessage(Gamestate{0, {{0, "\\a\\b"}}, {}, 0, 0}));
    for (int i = 1; i < 20; ++i) {
        written.record(i, SnapshotMessage(snapshot, 68, {{i, "print \"x\""}}));
    }
    demos.emplace_back(".dm_68", written.endMarker().bytes());

    std::mt19937 random(20240611);
    for (const auto& [extension, original] : demos) {
        for (int round = 0; round < 60; ++round) {
            std::string damaged = original;
            const int flips = 1 + round % 8;
            for (int i = 0; i < flips; ++i) {
                const std::size_t at = random() % damaged.size();
                damaged[at] = static_cast<char>(damaged[at] ^ (1 << (random() % 8)));
            }
            const TempDemo demo(damaged, extension);
            const WalkResult walk = WalkDemo(demo.path());
            EXPECT_TRUE(walk.opened);
            EXPECT_NE(walk.status, 0);
        }
    }
}

// Payloads of random bytes, in every protocol, walked and also read with
// every call in random order.
TEST(Damage, RandomPayloads) {
    std::mt19937 random(7);
    for (const char* extension :
         {".dm_66", ".dm_68", ".dm_71", ".dm_73", ".dm_90", ".dm_91", ".dm_48", ".dm3"}) {
        DemoBuilder builder;
        for (int i = 0; i < 200; ++i) {
            std::vector<std::uint8_t> payload(random() % 600);
            for (auto& b : payload) {
                b = static_cast<std::uint8_t>(random());
            }
            // Now and then a plausible start: acknowledge then a snapshot.
            if (i % 3 == 0 && payload.size() > 4) {
                payload[0] = 0x55;
                payload[1] = 0x55;
                payload[2] = 0xC8; // low bits 0001001: operation 2 in coded protocols
            }
            builder.record(i, payload);
        }
        const TempDemo demo(builder.endMarker().bytes(), extension);
        const WalkResult walk = WalkDemo(demo.path());
        EXPECT_EQ(walk.status, 1) << extension;
        EXPECT_EQ(walk.messages, 200u) << extension;

        const std::int32_t handle = OpenDemoFile(demo.c_str());
        const std::function<std::int32_t(std::int32_t)> calls[] = {
            ReadNextMessage, ReadSnapshot, ReadBaseline, ReadShort, ReadLong, ReadByte};
        for (int call = 0; call < 100000; ++call) {
            // Mostly bytes, as a caller reads them.
            calls[std::min<std::size_t>(random() % 16, 5)](handle);
        }
        CloseDemoFile(handle);
    }
}

} // namespace
} // namespace fenlark::test
