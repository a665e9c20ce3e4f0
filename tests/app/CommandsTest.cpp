// The Create Demo log command around the log mode: its dialog, the wait
// window and what ends it.

#include "app/Commands.h"
#include "app/LoadDemo.h"
#include "core/Files.h"
#include "lang/Language.h"
#include "tests/common/SessionFixture.h"

#include <gtest/gtest.h>

using namespace fenlark;

namespace {

class CreateDemoLogTest : public test::SessionFixtureOf<Language> {
protected:
    CreateDemoLogTest() {
        session.setDefinitionsFolder(FENLARK_DATA_SOURCE_DIR);
        session.DemoPath = std::string(FENLARK_SAMPLES_DIR) + "/proto68.dm_68";
        LoadDemo(session);
        ui.events.clear();
    }
};

} // namespace

TEST_F(CreateDemoLogTest, TheSaveDialogProposesTheDemoPathAndTheLogIsWritten) {
    ui.saveAnswer = temp.path("chosen.txt");
    CreateDemoLogCommand(session);
    ASSERT_EQ(ui.saveRequests.size(), 1u);
    EXPECT_EQ(ui.saveRequests[0].title, "Save Demo Log As");
    EXPECT_EQ(ui.saveRequests[0].filter, "Text Documents (*.txt)|*.txt");
    EXPECT_EQ(ui.saveRequests[0].initialName, session.DemoPath + ".txt");
    EXPECT_EQ(messageTexts(), (std::vector<std::string>{"Demo log created!"}));
    EXPECT_EQ(ui.events, (std::vector<std::string>{"show wait", "message while waiting",
                                                   "hide wait", "hide wait"}));
    EXPECT_NE(ReadWholeFile(*ui.saveAnswer).value_or("").find("- End of demo log."),
              std::string::npos);
}

TEST_F(CreateDemoLogTest, CancellingTheSaveDialogWritesNothing) {
    CreateDemoLogCommand(session);
    EXPECT_EQ(ui.saveRequests.size(), 1u);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(ui.events.empty());
}

TEST_F(CreateDemoLogTest, AFailureEndsTheCommandWithTheWaitWindowHidden) {
    // A demo that is gone: its box, and an existing log left alone.
    const std::string demo = temp.write("gone.dm_68", "x");
    session.DemoPath = demo;
    std::filesystem::remove(demo);
    ui.saveAnswer = temp.write("kept.txt", "earlier log");
    CreateDemoLogCommand(session);
    EXPECT_EQ(messageTexts(), (std::vector<std::string>{
                                  "Failed to open demo. The demo may be in use or currupt."}));
    EXPECT_EQ(ReadWholeFile(*ui.saveAnswer), "earlier log");
    EXPECT_FALSE(ui.waitVisible);

    // A log that cannot be written: a box that says why, the wait window hidden.
    ui.messages.clear();
    session.DemoPath = std::string(FENLARK_SAMPLES_DIR) + "/proto68.dm_68";
    ui.saveAnswer = temp.path("no folder/demo.log");
    const auto outcome = CreateDemoLogCommand(session);
    ASSERT_TRUE(outcome.has_value());
    EXPECT_FALSE(outcome->created);
#ifdef _WIN32 // the system's own wording, which differs between versions
    const std::string prefix = "The demo log could not be written: ";
    ASSERT_EQ(messageTexts().size(), 1u);
    EXPECT_EQ(messageTexts()[0].rfind(prefix, 0), 0u);
    EXPECT_GT(messageTexts()[0].size(), prefix.size());
#else
    EXPECT_EQ(messageTexts(), (std::vector<std::string>{
                                  "The demo log could not be written: No such file or directory"}));
#endif
    EXPECT_FALSE(ui.waitVisible);
}

TEST_F(CreateDemoLogTest, WithoutItsDialogTitleTheCommandDoesNothing) {
    // A program folder without the text table beside it.
    Session other(ui, language, temp.programFolder() + "/elsewhere");
    CreateDemoLogCommand(other);
    EXPECT_TRUE(ui.saveRequests.empty());
}
