// fenlark-info: the loading flow of the window without a window, for scripts.
//
//   fenlark-info [--json] [--match] [--data DIR] [--log FILE] DEMO...
//
// Exit status: 0 no warning or critical message, 1 one was shown, 2 usage
// error, 3 the flow ended the program (a demo that cannot be read).

#include "app/Commands.h"
#include "app/MatchAnalysis.h"
#include "app/StartUp.h"
#include "cli/CliUserInterface.h"
#include "cli/Report.h"
#include "core/Files.h"
#include "lang/Language.h"
#include "settings/LanguageSetting.h"

#include <cstdio>
#include <iostream>
#include <new>
#include <string>
#include <vector>

using namespace fenlark;

namespace {

constexpr int ExitUsage = 2;
constexpr int ExitWarning = 1;
constexpr int ExitProgramEnded = 3;

void PrintUsage(std::FILE* stream) {
    std::fputs("usage: fenlark-info [--json] [--match] [--data DIR] [--log FILE] DEMO...\n"
               "  --json       one JSON object per demo, one per line\n"
               "  --match      add the match analysis (duration, players, scores, chat, "
               "frags)\n"
               "  --data DIR   read the game definitions from DIR instead of ../Data\n"
               "  --log FILE   write the demo log of the last demo to FILE\n",
               stream);
}

struct Options {
    bool json = false;
    bool match = false;
    std::optional<std::string> dataFolder;
    std::optional<std::string> logFile;
    std::vector<std::string> demos;
};

std::optional<Options> ParseOptions(int argc, char** argv) {
    Options options;
    bool onlyDemos = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!onlyDemos && arg == "--") {
            onlyDemos = true;
        } else if (!onlyDemos && arg == "--json") {
            options.json = true;
        } else if (!onlyDemos && arg == "--match") {
            options.match = true;
        } else if (!onlyDemos && (arg == "--data" || arg == "--log")) {
            if (i + 1 >= argc) {
                return std::nullopt;
            }
            (arg == "--data" ? options.dataFolder : options.logFile) = argv[++i];
        } else if (!onlyDemos && arg.size() > 1 && arg.front() == '-') {
            return std::nullopt;
        } else {
            options.demos.push_back(arg);
        }
    }
    if (options.demos.empty()) {
        return std::nullopt;
    }
    return options;
}

void Print(const Session& session, const std::vector<Message>& messages, const Options& options,
           const std::optional<DemoLogOutcome>& log) {
    std::optional<cli::MatchSection> match;
    if (options.match) {
        match.emplace();
        if (!session.programEnded) {
            match->facts = AnalyseCurrentDemo(session);
        }
    }
    const cli::MatchSection* section = match ? &*match : nullptr;
    if (options.json) {
        std::cout << cli::JsonReport(session, messages, log, section) << '\n';
    } else {
        std::cout << cli::TextReport(session, messages, section) << '\n';
    }
    std::cout.flush();
}

} // namespace

namespace {

int Run(int argc, char** argv);

} // namespace

int main(int argc, char** argv) {
    // The loading flow ends a load that runs out of memory itself; this is
    // for what is left: printing a report of a huge demo.
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("fenlark-info: critical: out of memory\n", stderr);
        return ExitWarning;
    }
}

namespace {

int Run(int argc, char** argv) {
    if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        PrintUsage(stdout);
        return 0;
    }
    auto options = ParseOptions(argc, argv);
    if (!options) {
        PrintUsage(stderr);
        return ExitUsage;
    }

    cli::CliUserInterface ui;
    Language language;
    const std::string programFolder = ProgramFolder(argv[0]);
    const std::optional<std::string> languageSetting = ReadLanguageSetting();

    for (std::size_t i = 0; i < options->demos.size(); ++i) {
        // Each demo starts as the window starts with it on its command line:
        // a fresh session, relative paths from the working folder.
        Session session(ui, language, programFolder);
        if (options->dataFolder) {
            session.setDefinitionsFolder(*options->dataFolder);
        }
        StartUp(session, options->demos[i], languageSetting);
        std::vector<Message> messages = ui.takeMessages();
        if (session.programEnded) {
            Print(session, messages, *options, std::nullopt);
            return ExitProgramEnded;
        }
        const bool last = i + 1 == options->demos.size();
        if (!last || !options->logFile) {
            Print(session, messages, *options, std::nullopt);
            continue;
        }
        if (!session.summary.cmdCreateDemoLogEnabled) {
            Print(session, messages, *options, std::nullopt);
            std::fputs("fenlark-info: --log: the Create Demo log command is disabled for this "
                       "demo\n",
                       stderr);
            return ExitWarning;
        }
        ui.savePath = *options->logFile;
        const std::optional<DemoLogOutcome> log = CreateDemoLogCommand(session);
        for (Message& message : ui.takeMessages()) {
            messages.push_back(std::move(message));
        }
        Print(session, messages, *options, log);
        if (session.programEnded) {
            return ExitProgramEnded;
        }
        if (!log || !log->created) {
            std::fputs("fenlark-info: --log: the demo log was not completed\n", stderr);
            return ExitWarning;
        }
    }
    return ui.sawWarningOrCritical() ? ExitWarning : 0;
}

} // namespace
