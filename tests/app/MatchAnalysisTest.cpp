// Which analysis the current demo gets, and how progress and cancelling pass
// through to a built-in reader.

#include "app/MatchAnalysis.h"
#include "app/LoadDemo.h"
#include "lang/Language.h"
#include "tests/common/CraftedQuakeDemo.h"
#include "tests/common/SessionFixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <utility>
#include <vector>

using namespace fenlark;
using Kind = MatchAnalysisRequest::Kind;

namespace {

class MatchAnalysisTest : public test::SessionFixtureOf<Language> {
protected:
    MatchAnalysisTest() {
        temp.writeDefinition("q.kgd", "[Kalvenor Game]\nGame Name=Crafted\n"
                                      "Demo Extensions=qdm;;plain;;q3;;odd;;\n"
                                      "[Fenlark - qdm]\nFenlark Type=1\nReader=quake-dem\n"
                                      "[Fenlark - plain]\nFenlark Type=1\n"
                                      "[Fenlark - q3]\nFenlark Type=2\n"
                                      "[Fenlark - odd]\nFenlark Type=7\nReader=quake-dem\n");
    }

    MatchAnalysisRequest load(const std::string& name) {
        useDemo(name, test::CraftedQuakeDemo());
        LoadDemo(session);
        return PrepareMatchAnalysis(session);
    }
};

} // namespace

TEST_F(MatchAnalysisTest, TheMatchedDefinitionDecidesTheAnalysis) {
    const MatchAnalysisRequest reader = load("a.qdm");
    EXPECT_EQ(reader.kind, Kind::EngineReader);
    ASSERT_NE(reader.reader, nullptr);
    EXPECT_EQ(reader.reader->name, "quake-dem");
    EXPECT_EQ(reader.demoPath, session.DemoPath);

    EXPECT_EQ(load("b.q3").kind, Kind::QuakeThree);
    EXPECT_EQ(load("c.plain").kind, Kind::None);
    EXPECT_FALSE(AnalyseCurrentDemo(session));
    EXPECT_EQ(load("d.odd").kind, Kind::None); // an unsupported information type
    EXPECT_EQ(load("e.unknown").kind, Kind::None);
    EXPECT_FALSE(AnalyseCurrentDemo(session));
}

TEST_F(MatchAnalysisTest, AReaderReadsTheWholeFileWithProgressAndCanBeCancelled) {
    load("a.qdm");
    std::vector<std::pair<std::uint64_t, std::uint64_t>> progress;
    MatchAnalysisOptions options;
    options.progress = [&progress](std::uint64_t read, std::uint64_t total) {
        progress.emplace_back(read, total);
    };
    const std::optional<MatchFacts> facts = AnalyseCurrentDemo(session, options);
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->players.size(), 2u);
    EXPECT_EQ(facts->ended.reason, "end marker");
    EXPECT_EQ(facts->durationMs, 2500);
    const auto size = static_cast<std::uint64_t>(test::CraftedQuakeDemo().size());
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), std::make_pair(size, size));

    const std::atomic<bool> cancel{true};
    options.cancel = &cancel;
    const std::optional<MatchFacts> cancelled = AnalyseCurrentDemo(session, options);
    ASSERT_TRUE(cancelled);
    EXPECT_EQ(cancelled->ended.reason, "cancelled");
    EXPECT_TRUE(cancelled->players.empty());

    // The request holds all the analysis needs: the demo can be analysed
    // after the session has moved on.
    const MatchAnalysisRequest request = PrepareMatchAnalysis(session);
    load("c.plain");
    const std::optional<MatchFacts> later = RunMatchAnalysis(request);
    ASSERT_TRUE(later);
    EXPECT_EQ(later->players.size(), 2u);

    std::filesystem::remove(request.demoPath);
    EXPECT_EQ(RunMatchAnalysis(request)->ended.reason, "read error");
}

TEST_F(MatchAnalysisTest, AQuakeThreeDemoGetsTheQuakeThreeAnalysis) {
    session.setDefinitionsFolder(FENLARK_DATA_SOURCE_DIR);
    session.DemoPath = std::string(FENLARK_SAMPLES_DIR) + "/ffa.dm_71";
    LoadDemo(session);
    ASSERT_EQ(PrepareMatchAnalysis(session).kind, Kind::QuakeThree);

    std::uint64_t lastRead = 0;
    std::uint64_t total = 0;
    MatchAnalysisOptions options;
    options.progress = [&](std::uint64_t read, std::uint64_t size) {
        lastRead = read;
        total = size;
    };
    const std::optional<MatchFacts> facts = AnalyseCurrentDemo(session, options);
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->ended.reason, "end marker");
    EXPECT_EQ(facts->players.size(), 5u); // 4 bots and the recording player
    EXPECT_EQ(total, std::filesystem::file_size(session.DemoPath));
    // The analysis reads up to the end marker, so the last report is near
    // the end of the file.
    EXPECT_GT(lastRead, total / 2);
    EXPECT_LE(lastRead, total);

    const std::atomic<bool> cancel{true};
    options.cancel = &cancel;
    EXPECT_EQ(AnalyseCurrentDemo(session, options)->ended.reason, "cancelled");
}
