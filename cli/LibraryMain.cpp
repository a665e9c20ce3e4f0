// fenlark-library: the demo library without a window, for scripts and servers.
//
//   fenlark-library [--db FILE] [--data DIR] scan [--threads N] [--no-match] FOLDER...
//   fenlark-library [--db FILE] list [--json|--csv] [--search TEXT] [--missing]
//   fenlark-library [--db FILE] forget --missing
//   fenlark-library --help | --version
//
// Exit status: 0 done, 1 the database or a folder could not be used, 2 usage
// error, 3 the scan was interrupted.

#include "app/LibraryDescriber.h"
#include "app/StartUp.h"
#include "cli/CommandLine.h"
#include "core/Files.h"
#include "core/InstallLayout.h"
#include "lang/Language.h"
#include "library/DemoExtensions.h"
#include "library/LibraryDatabase.h"
#include "library/LibraryScanner.h"
#include "library/RowExport.h"
#include "settings/LanguageSetting.h"
#include "settings/LibraryLocation.h"

#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

using namespace fenlark;
using namespace fenlark::library;

namespace {

constexpr int ExitFailure = 1;
constexpr int ExitInterrupted = 3;
constexpr const char* Program = "fenlark-library";

std::atomic<bool> Interrupted{false};

extern "C" void OnInterrupt(int) {
    Interrupted.store(true);
}

struct Options {
    std::optional<std::string> database;
    std::optional<std::string> dataFolder;
    std::string command;
    std::vector<std::string> folders;
    unsigned threads = 0;
    bool matchAnalysis = true;
    enum class Format { Text, Json, Csv } format = Format::Text;
    std::string search;
    bool missing = false;
};

// The options of the program and of each command, with their help lines.
struct CommandLine {
    QCommandLineParser global;
    QCommandLineParser scan;
    QCommandLineParser list;
    QCommandLineParser forget;

    const QCommandLineOption db{QStringList{"db"},
                                "The library database (default: library.sqlite in the user's "
                                "data folder).",
                                "FILE"};
    const QCommandLineOption data{QStringList{"data"},
                                  "Read the game definitions from DIR instead of the installed "
                                  "ones.",
                                  "DIR"};
    const QCommandLineOption helpOption{QStringList{"h", "help"}, "Show this help and exit."};
    const QCommandLineOption version{QStringList{"version"}, "Show the version and exit."};
    const QCommandLineOption threads{QStringList{"threads"},
                                     "Worker threads, 1 to 9999 (default: one per core).", "N"};
    const QCommandLineOption noMatch{QStringList{"no-match"},
                                     "Skip the match analysis (recorder, duration, scores, "
                                     "winner, chat)."};
    const QCommandLineOption json{QStringList{"json"}, "One JSON object per demo, one per line."};
    const QCommandLineOption csv{QStringList{"csv"}, "Comma-separated values with a header row."};
    const QCommandLineOption search{QStringList{"search"},
                                    "Only rows whose players, map, server, mod or chat match "
                                    "every word of TEXT.",
                                    "TEXT"};
    const QCommandLineOption missing{QStringList{"missing"}, "Only demos that went away."};

    CommandLine() {
        for (const QCommandLineOption& option : {db, data, helpOption, version}) {
            global.addOption(option);
        }
        global.addPositionalArgument("COMMAND", "scan, list or forget.");
        // Everything after the command belongs to the command.
        global.setOptionsAfterPositionalArgumentsMode(
            QCommandLineParser::ParseAsPositionalArguments);
        for (const QCommandLineOption& option : {threads, noMatch, helpOption}) {
            scan.addOption(option);
        }
        scan.addPositionalArgument("FOLDER", "Folders to index.", "FOLDER...");
        for (const QCommandLineOption& option : {json, csv, search, missing, helpOption}) {
            list.addOption(option);
        }
        forget.addOption(missing);
        forget.addOption(helpOption);
    }

    static constexpr const char* Synopsis =
        "Usage: fenlark-library [--db FILE] [--data DIR] scan [--threads N] [--no-match] "
        "FOLDER...\n"
        "       fenlark-library [--db FILE] list [--json|--csv] [--search TEXT] "
        "[--missing]\n"
        "       fenlark-library [--db FILE] forget --missing\n"
        "       fenlark-library --help | --version\n";

    std::string helpText() const {
        return std::string(Synopsis) +
               "Keeps an index of the demos under folders, archives included, and prints it.\n"
               "\n"
               "Options:\n" +
               cli::OptionLines(global) +
               "\n"
               "Commands:\n"
               "  scan FOLDER...  Index the demos under the folders; a re-scan reads only\n"
               "                  files that changed.\n" +
               cli::OptionLines(scan, 2, false) +
               "  list            Print the rows: text, --json or --csv.\n" +
               cli::OptionLines(list, 2, false) +
               "  forget --missing  Remove the rows of demos that went away.\n"
               "\n"
               "Exit status:\n"
               "  0  done\n"
               "  1  the database or a folder could not be used\n"
               "  2  wrong option, command or argument (usage error)\n"
               "  3  the scan was interrupted\n";
    }
};

// Reads the command line into `options`. Returns the exit status when the
// program ends here: after --help or --version, or on a usage error.
std::optional<int> ParseOptions(int argc, char** argv, Options& options) {
    CommandLine line;
    const auto fail = [](const std::string& what) {
        return cli::UsageError(Program, what, CommandLine::Synopsis);
    };
    if (!line.global.parse(cli::ArgumentList(argc, argv))) {
        return fail(cli::ParseErrorText(line.global));
    }
    if (line.global.isSet(line.helpOption)) {
        std::fputs(line.helpText().c_str(), stdout);
        return 0;
    }
    if (line.global.isSet(line.version)) {
        return cli::PrintVersion(Program);
    }
    if (line.global.isSet(line.db)) {
        options.database = cli::Bytes(line.global.value(line.db));
    }
    if (line.global.isSet(line.data)) {
        options.dataFolder = cli::Bytes(line.global.value(line.data));
    }
    QStringList rest = line.global.positionalArguments();
    if (rest.isEmpty()) {
        return fail("no command given");
    }
    options.command = cli::Bytes(rest.front());
    QCommandLineParser* command = options.command == "scan"     ? &line.scan
                                  : options.command == "list"   ? &line.list
                                  : options.command == "forget" ? &line.forget
                                                                : nullptr;
    if (command == nullptr) {
        return fail("unknown command or option: " + options.command);
    }
    // The command's parser takes the command as its program name.
    if (!command->parse(rest)) {
        return fail(options.command + ": " + cli::ParseErrorText(*command));
    }
    if (command->isSet(line.helpOption)) {
        std::fputs(line.helpText().c_str(), stdout);
        return 0;
    }
    const QStringList arguments = command->positionalArguments();
    if (command != &line.scan && !arguments.isEmpty()) {
        return fail(options.command + ": unexpected argument " + cli::Bytes(arguments.front()));
    }
    if (command == &line.scan) {
        if (command->isSet(line.threads)) {
            const std::string text = cli::Bytes(command->value(line.threads));
            if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos ||
                text.size() > 4 || std::stoul(text) == 0) {
                return fail("--threads needs a number from 1 to 9999");
            }
            options.threads = static_cast<unsigned>(std::stoul(text));
        }
        options.matchAnalysis = !command->isSet(line.noMatch);
        for (const QString& folder : arguments) {
            options.folders.push_back(cli::Bytes(folder));
        }
        if (options.folders.empty()) {
            return fail("scan needs at least one folder");
        }
    } else if (command == &line.list) {
        if (command->isSet(line.json) && command->isSet(line.csv)) {
            return fail("give only one of --json and --csv");
        }
        options.format = command->isSet(line.json)  ? Options::Format::Json
                         : command->isSet(line.csv) ? Options::Format::Csv
                                                    : Options::Format::Text;
        options.search = cli::Bytes(command->value(line.search));
        options.missing = command->isSet(line.missing);
    } else {
        options.missing = command->isSet(line.missing);
        if (!options.missing) {
            return fail("forget needs --missing");
        }
    }
    return std::nullopt;
}

// "m:ss", or "h:mm:ss" from an hour on.
std::string Duration(double seconds) {
    constexpr long long PerMinute = 60;
    constexpr long long PerHour = 60 * PerMinute;
    const long long whole = std::llround(seconds);
    char text[64];
    if (whole >= PerHour) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / PerHour,
                      whole / PerMinute % PerMinute, whole % PerMinute);
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld", whole / PerMinute, whole % PerMinute);
    }
    return text;
}

int Scan(LibraryDatabase& database, const Options& options, const std::string& programFolder) {
    LibraryFlowSettings settings;
    settings.programFolder = programFolder;
    settings.matchAnalysis = options.matchAnalysis;
    settings.definitionsFolder =
        options.dataFolder.value_or(DefaultDefinitionsFolder(programFolder));
    if (auto number = ConvertLanguageSetting(ReadLanguageSetting().value_or("1"))) {
        settings.languageNumber = *number;
    }
    const std::set<std::string> extensions = DemoExtensionsOf(settings.definitionsFolder);
    if (extensions.empty()) {
        std::fprintf(stderr, "fenlark-library: no game definitions in %s\n",
                     settings.definitionsFolder.c_str());
        return ExitFailure;
    }

    settings.makeLanguage = [] { return std::make_unique<Language>(); };
    LibraryScanner scanner(
        database, LibraryFlowDescribers(settings),
        [&](const std::string& extension) { return extensions.contains(extension); });
    ScanOptions scanOptions;
    scanOptions.folders = options.folders;
    scanOptions.threads = options.threads;
#ifdef _WIN32
    const bool terminal = ::_isatty(2) != 0;
#else
    const bool terminal = ::isatty(2) != 0;
#endif
    const auto onProgress = [&](const ScanProgress& progress) {
        std::fprintf(stderr, "%s%zu/%zu files, %.0f files/s, %s left%s", terminal ? "\r" : "",
                     progress.filesDone, progress.filesTotal, progress.filesPerSecond,
                     Duration(progress.secondsLeft).c_str(), terminal ? "   " : "\n");
    };
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    const ScanSummary summary = scanner.scan(scanOptions, onProgress, Interrupted);
    if (terminal) {
        std::fputc('\n', stderr);
    }
    for (const ScanSkip& skip : summary.skips) {
        std::fprintf(stderr, "skipped: %s%s%s: %s\n", skip.path.c_str(),
                     skip.member.empty() ? "" : " :: ", skip.member.c_str(), skip.reason.c_str());
    }
    std::fprintf(stderr,
                 "%s: %zu files seen, %zu read, %zu unchanged, %zu demos stored, %zu gone, "
                 "%zu skipped, %zu other files ignored, %.2f s\n",
                 summary.cancelled ? "interrupted" : "done", summary.filesSeen, summary.filesRead,
                 summary.filesUnchanged, summary.demosStored, summary.filesGone,
                 summary.skips.size(), summary.filesIgnored, summary.seconds);
    return summary.cancelled ? ExitInterrupted : 0;
}

int List(LibraryDatabase& database, const Options& options) {
    LibraryQuery query;
    query.search = options.search;
    query.missingOnly = options.missing;
    const std::vector<DemoRecord> records = database.query(query);
    std::string out;
    if (options.format == Options::Format::Csv) {
        out += CsvHeader() + "\r\n";
    }
    for (const DemoRecord& record : records) {
        switch (options.format) {
        case Options::Format::Json:
            out += JsonLine(record) + "\n";
            break;
        case Options::Format::Csv:
            out += CsvRow(record) + "\r\n";
            break;
        case Options::Format::Text: {
            std::string players;
            for (const std::string& name : record.info.players) {
                players += (players.empty() ? "" : ", ") + name;
            }
            out +=
                ValidUtf8(record.location.path +
                          (record.location.member.empty() ? "" : " :: " + record.location.member) +
                          "\t" + record.info.game + "\t" + record.info.map + "\t" + players +
                          (record.missing ? "\t(missing)" : "") +
                          (record.info.message.empty() ? "" : "\t" + record.info.message)) +
                "\n";
            break;
        }
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : ExitFailure;
}

} // namespace

int main(int argc, char** argv) {
    std::optional<Options> options = Options{};
    if (const std::optional<int> status = ParseOptions(argc, argv, *options)) {
        return *status;
    }
    try {
        const std::string path = options->database ? *options->database : DefaultLibraryDatabase();
        LibraryDatabase database(path);
        if (options->command == "scan") {
            return Scan(database, *options, ProgramFolder(argv[0]));
        }
        if (options->command == "list") {
            return List(database, *options);
        }
        const std::int64_t removed = database.forgetMissing();
        std::fprintf(stderr, "forgot %lld missing demos\n", static_cast<long long>(removed));
        return 0;
    } catch (const LibraryError& error) {
        std::fprintf(stderr, "fenlark-library: %s\n", error.what());
        return ExitFailure;
    }
}
