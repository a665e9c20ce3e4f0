// fenlark-info: the loading flow of the window without a window, for scripts.
//
//   fenlark-info [--json] [--match] [--data DIR] [--log FILE] DEMO...
//   fenlark-info --help | --version
//
// Exit status: 0 no warning or critical message, 1 one was shown, 2 usage
// error, 3 the flow ended the program (a demo that cannot be read).

#include "app/Commands.h"
#include "app/MatchAnalysis.h"
#include "app/StartUp.h"
#include "cli/CliUserInterface.h"
#include "cli/CommandLine.h"
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

constexpr int ExitWarning = 1;
constexpr int ExitProgramEnded = 3;
constexpr const char* Program = "fenlark-info";

constexpr const char* Synopsis =
    "Usage: fenlark-info [--json] [--match] [--data DIR] [--log FILE] [--] DEMO...\n"
    "       fenlark-info --help | --version\n";

constexpr const char* Description =
    "Loads each DEMO as the fenlark window does and prints what the window would\n"
    "show: a readable summary, or one JSON object per line with --json.\n"
    "\n"
    "Options:\n";

constexpr const char* ExitStatuses =
    "\n"
    "Exit status:\n"
    "  0  no demo raised a warning or critical message\n"
    "  1  one did, or --log could not write the demo log\n"
    "  2  wrong option or missing argument (usage error)\n"
    "  3  the flow ended the program (a demo that cannot be read)\n";

struct Options {
    bool json = false;
    bool match = false;
    std::optional<std::string> dataFolder;
    std::optional<std::string> logFile;
    std::vector<std::string> demos;
};

// Reads the command line into `options`. Returns the exit status when the
// program ends here: after --help or --version, or on a usage error.
std::optional<int> ParseOptions(int argc, char** argv, Options& options) {
    QCommandLineParser parser;
    const QCommandLineOption json(QStringList{"json"}, "One JSON object per demo, one per line.");
    const QCommandLineOption match(QStringList{"match"},
                                   "Add the match analysis (duration, players, scores, chat, "
                                   "frags).");
    const QCommandLineOption data(QStringList{"data"},
                                  "Read the game definitions from DIR instead of the installed "
                                  "ones.",
                                  "DIR");
    const QCommandLineOption log(QStringList{"log"},
                                 "Write the demo log of the last demo to FILE (Quake III "
                                 "protocol demos).",
                                 "FILE");
    const QCommandLineOption help(QStringList{"h", "help"}, "Show this help and exit.");
    const QCommandLineOption version(QStringList{"version"}, "Show the version and exit.");
    for (const QCommandLineOption& option : {json, match, data, log, help, version}) {
        parser.addOption(option);
    }
    parser.addPositionalArgument("DEMO", "The demo files to read, in this order.", "DEMO...");
    const std::string usage =
        std::string(Synopsis) + Description + cli::OptionLines(parser) + ExitStatuses;

    if (!parser.parse(cli::ArgumentList(argc, argv))) {
        return cli::UsageError(Program, cli::ParseErrorText(parser), Synopsis);
    }
    if (parser.isSet(help)) {
        std::fputs(usage.c_str(), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        return cli::PrintVersion(Program);
    }
    options.json = parser.isSet(json);
    options.match = parser.isSet(match);
    if (parser.isSet(data)) {
        options.dataFolder = cli::Bytes(parser.value(data));
    }
    if (parser.isSet(log)) {
        options.logFile = cli::Bytes(parser.value(log));
    }
    for (const QString& demo : parser.positionalArguments()) {
        options.demos.push_back(cli::Bytes(demo));
    }
    if (options.demos.empty()) {
        return cli::UsageError(Program, "no demo given", Synopsis);
    }
    return std::nullopt;
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
    std::optional<Options> options = Options{};
    if (const std::optional<int> status = ParseOptions(argc, argv, *options)) {
        return *status;
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
