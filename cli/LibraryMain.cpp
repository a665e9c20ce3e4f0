// fenlark-library: the demo library without a window, for scripts and servers.
//
//   fenlark-library [--db FILE] [--data DIR] scan [--threads N] [--no-match] FOLDER...
//   fenlark-library [--db FILE] list [--json|--csv] [--search TEXT] [--missing]
//   fenlark-library [--db FILE] forget --missing
//
// Exit status: 0 done, 1 the database or a folder could not be used, 2 usage
// error, 3 the scan was interrupted.

#include "app/LibraryDescriber.h"
#include "app/StartUp.h"
#include "core/Files.h"
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
#include <unistd.h>
#include <vector>

using namespace fenlark;
using namespace fenlark::library;

namespace {

constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;
constexpr int ExitInterrupted = 3;

std::atomic<bool> Interrupted{false};

extern "C" void OnInterrupt(int) {
    Interrupted.store(true);
}

void PrintUsage(std::FILE* stream) {
    std::fputs(
        "usage: fenlark-library [--db FILE] [--data DIR] scan [--threads N] [--no-match] "
        "FOLDER...\n"
        "       fenlark-library [--db FILE] list [--json|--csv] [--search TEXT] [--missing]\n"
        "       fenlark-library [--db FILE] forget --missing\n"
        "  --db FILE      the library database (default: library.sqlite in the user's data "
        "folder)\n"
        "  --data DIR     read the game definitions from DIR instead of ../Data\n"
        "  scan           index the demos under the folders, archives included\n"
        "  --threads N    worker threads (default: one per core)\n"
        "  --no-match     skip the match analysis (recorder, duration, scores, winner, chat)\n"
        "  list           print the rows: text, --json (one object per line) or --csv\n"
        "  --search TEXT  only rows whose players, map, server, mod or chat match every word\n"
        "  --missing      only rows of demos that went away\n"
        "  forget --missing  remove the rows of demos that went away\n",
        stream);
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

// Parses the arguments; on a mistake prints what was wrong and returns nullopt.
std::optional<Options> ParseOptions(const std::vector<std::string>& args) {
    Options options;
    const auto fail = [](const std::string& what) {
        std::fprintf(stderr, "fenlark-library: %s\n", what.c_str());
        return std::nullopt;
    };
    std::size_t i = 0;
    const auto value = [&](const std::string& name) -> std::optional<std::string> {
        if (i + 1 >= args.size()) {
            return std::nullopt;
        }
        (void)name;
        return args[++i];
    };
    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (options.command.empty() && (arg == "--db" || arg == "--data")) {
            auto text = value(arg);
            if (!text) {
                return fail(arg + " needs a value");
            }
            (arg == "--db" ? options.database : options.dataFolder) = *text;
        } else if (options.command.empty()) {
            if (arg != "scan" && arg != "list" && arg != "forget") {
                return fail("unknown command or option: " + arg);
            }
            options.command = arg;
        } else if (options.command == "scan" && arg == "--threads") {
            auto text = value(arg);
            if (!text || text->empty() ||
                text->find_first_not_of("0123456789") != std::string::npos || text->size() > 4 ||
                std::stoul(*text) == 0) {
                return fail("--threads needs a number from 1 to 9999");
            }
            options.threads = static_cast<unsigned>(std::stoul(*text));
        } else if (options.command == "scan" && arg == "--no-match") {
            options.matchAnalysis = false;
        } else if (options.command == "scan" && (arg.empty() || arg.front() != '-')) {
            options.folders.push_back(arg);
        } else if (options.command == "list" && (arg == "--json" || arg == "--csv")) {
            if (options.format != Options::Format::Text) {
                return fail("give only one of --json and --csv");
            }
            options.format = arg == "--json" ? Options::Format::Json : Options::Format::Csv;
        } else if (options.command == "list" && arg == "--search") {
            auto text = value(arg);
            if (!text) {
                return fail("--search needs a text");
            }
            options.search = *text;
        } else if ((options.command == "list" || options.command == "forget") &&
                   arg == "--missing") {
            options.missing = true;
        } else {
            return fail("unknown option for " + options.command + ": " + arg);
        }
    }
    if (options.command.empty()) {
        return fail("no command given");
    }
    if (options.command == "scan" && options.folders.empty()) {
        return fail("scan needs at least one folder");
    }
    if (options.command == "forget" && !options.missing) {
        return fail("forget needs --missing");
    }
    return options;
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
    settings.definitionsFolder = options.dataFolder.value_or(programFolder + "/../Data/");
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
    const bool terminal = ::isatty(2) != 0;
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
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        PrintUsage(stdout);
        return 0;
    }
    const std::optional<Options> options = ParseOptions(args);
    if (!options) {
        PrintUsage(stderr);
        return ExitUsage;
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
