// The window's command line: which arguments are options and what is left
// for the demo path. Runs without an application object, as main() does
// before the application starts.

#include "qt/ProgramStart.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using fenlark::gui::ParseWindowCommandLine;
using fenlark::gui::WindowCommandLine;
using Action = WindowCommandLine::Action;

WindowCommandLine Parse(const std::vector<std::string>& arguments) {
    std::vector<const char*> argv{"fenlark"};
    for (const std::string& argument : arguments) {
        argv.push_back(argument.c_str());
    }
    return ParseWindowCommandLine(static_cast<int>(argv.size()), argv.data());
}

TEST(WindowCommandLineTest, EveryOtherArgumentIsJoinedIntoTheDemoPathAsTyped) {
    EXPECT_EQ(Parse({}).action, Action::Window);
    EXPECT_EQ(Parse({}).demoText, "");
    EXPECT_EQ(Parse({"a", "b.tst"}).demoText, "a b.tst");
    // Quotation marks and blanks stay for the path clean-up of the start-up.
    EXPECT_EQ(Parse({"\"C:\\Demos\\a", "b.dm_68\""}).demoText, "\"C:\\Demos\\a b.dm_68\"");
    EXPECT_EQ(Parse({" x ", ""}).demoText, " x  ");
    // A single dash marks no option: such names are part of the path.
    EXPECT_EQ(Parse({"-platform", "-", "-x.dm_68"}).demoText, "-platform - -x.dm_68");
    // Bytes that are not UTF-8 come through unchanged.
    EXPECT_EQ(Parse({"d\xe9mo\xff.dm_68"}).demoText, "d\xe9mo\xff.dm_68");
}

TEST(WindowCommandLineTest, DoubleDashEndsTheOptions) {
    const WindowCommandLine odd = Parse({"--", "--odd", "name.dm_68"});
    EXPECT_EQ(odd.action, Action::Window);
    EXPECT_EQ(odd.demoText, "--odd name.dm_68");
    EXPECT_EQ(Parse({"--", "--"}).demoText, "--");
    EXPECT_EQ(Parse({"--", "--help"}).action, Action::Window);
    EXPECT_EQ(Parse({"a", "--", "b"}).demoText, "a b");
    // Before "--", an option counts wherever it stands.
    EXPECT_EQ(Parse({"a.dm_68", "--version"}).action, Action::Version);
}

TEST(WindowCommandLineTest, UnknownOptionsAreUsageErrors) {
    for (const std::vector<std::string>& arguments : {std::vector<std::string>{"--x"},
                                                      {"demo.dm_68", "--bogus"},
                                                      {"--library=folder"},
                                                      {"--help=1"}}) {
        const WindowCommandLine line = Parse(arguments);
        EXPECT_EQ(line.action, Action::UsageError) << arguments.back();
        EXPECT_EQ(line.output.rfind("fenlark: ", 0), 0u) << line.output;
        EXPECT_NE(line.output.find("Usage: fenlark"), std::string::npos);
        EXPECT_EQ(line.demoText, "");
    }
    EXPECT_NE(Parse({"--x"}).output.find("unknown option --x"), std::string::npos);
    EXPECT_EQ(WindowCommandLine::ExitUsage, 2);
}

TEST(WindowCommandLineTest, LibraryTakesTheOtherArgumentsAsFolders) {
    const WindowCommandLine line = Parse({"--library", "demos", "-old", "--", "--odd"});
    EXPECT_EQ(line.action, Action::Library);
    EXPECT_EQ(line.folders, (std::vector<std::string>{"demos", "-old", "--odd"}));
    EXPECT_EQ(line.demoText, "");
    EXPECT_EQ(Parse({"--library"}).folders.size(), 0u);
    EXPECT_EQ(Parse({"x", "--library"}).action, Action::Library);
}

TEST(WindowCommandLineTest, HelpAndVersionAnswerOnTheirOwn) {
    const WindowCommandLine help = Parse({"--help"});
    EXPECT_EQ(help.action, Action::Help);
    for (const char* text :
         {"Usage: fenlark [--] [DEMO]", "--library", "--version", "Exit status"}) {
        EXPECT_NE(help.output.find(text), std::string::npos) << text;
    }
    const WindowCommandLine version = Parse({"--version"});
    EXPECT_EQ(version.action, Action::Version);
    EXPECT_EQ(version.output.rfind("fenlark ", 0), 0u);
    EXPECT_EQ(version.output.back(), '\n');
    EXPECT_GT(version.output.size(), std::string("fenlark \n").size());
}

} // namespace
