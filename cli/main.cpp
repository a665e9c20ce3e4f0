// fenlark-info: the loading flow of the window without a window, for scripts.
//
//   fenlark-info [--json] [--data DIR] [--log FILE] DEMO...
//
// Exit status: 0 no warning or critical message, 1 one was shown, 2 usage
// error, 3 the flow ended the program (a demo that cannot be read).

#include "app/Commands.h"
#include "app/StartUp.h"
#include "cli/CliUserInterface.h"
#include "cli/Report.h"
#include "core/Files.h"
#include "lang/Language.h"
#include "settings/LanguageSetting.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

using namespace fenlark;

namespace {

constexpr int ExitUsage = 2;
constexpr int ExitWarning = 1;
constexpr int ExitProgramEnded = 3;

void PrintUsage(std::FILE* stream) {
    std::fputs("usage: fenlark-info [--json] [--data DIR] [--log FILE] DEMO...\n"
               "  --json       one JSON object per demo, one per line\n"
               "  --data DIR   read the game definitions from DIR instead of ../Data\n"
               "  --log FILE   write the demo log of the last demo to FILE\n",
               stream);
}

struct Options {
    bool json = false;
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

void Print(const Session& session, const std::vector<Message>& messages, bool json) {
    if (json) {
        std::cout << cli::JsonReport(session, messages) << '\n';
    } else {
        std::cout << cli::TextReport(session, messages) << '\n';
    }
    std::cout.flush();
}

} // namespace

int main(int argc, char** argv) {
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
    Session session(ui, language, ProgramFolder(argv[0]));
    if (options->dataFolder) {
        session.setDefinitionsFolder(*options->dataFolder);
    }
    const std::optional<std::string> languageSetting = ReadLanguageSetting();

    for (const std::string& demo : options->demos) {
        StartUp(session, demo, languageSetting);
        Print(session, ui.takeMessages(), options->json);
        if (session.programEnded) {
            return ExitProgramEnded;
        }
    }

    if (options->logFile) {
        if (!session.summary.cmdCreateDemoLogEnabled) {
            std::fputs("fenlark-info: --log: the Create Demo log command is disabled for this "
                       "demo\n",
                       stderr);
            return ExitWarning;
        }
        ui.savePath = *options->logFile;
        CreateDemoLogCommand(session);
        bool created = false;
        for (const Message& message : ui.takeMessages()) {
            created = created || message.text == "Demo log created!";
        }
        if (!created) {
            std::fputs("fenlark-info: --log: the demo log was not completed\n", stderr);
            return ExitWarning;
        }
    }
    return ui.sawWarningOrCritical() ? ExitWarning : 0;
}
