// Speed of the demo library on 10,000 demos made from the shared real demos
// (hard links where the file system allows, else copies, in a temporary
// folder): the first scan through the window's loading flow, the same
// pipeline with a describer that only reads the demo's first block, a
// re-scan of the unchanged folder, and a search over 100,000 rows.

#include "app/LibraryDescriber.h"
#include "lang/Language.h"
#include "library/DemoExtensions.h"
#include "library/LibraryScanner.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <set>
#include <sys/resource.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace fenlark;
using namespace fenlark::library;

namespace {

constexpr int DemoCount = 10000;
constexpr int SearchRows = 100000;

std::string DefinitionsFolder() {
    return std::string(FENLARK_PROGRAM_FOLDER) + "/../Data/";
}

const std::set<std::string>& Extensions() {
    static const std::set<std::string> extensions = DemoExtensionsOf(DefinitionsFolder());
    return extensions;
}

// A temporary folder of DemoCount demos, made once per run.
class DemoFolder {
public:
    static DemoFolder& get() {
        static DemoFolder folder;
        return folder;
    }
    bool ready() const { return count_ == DemoCount; }
    const std::string& path() const { return path_; }
    const std::string& scratch() const { return scratch_; }

    ~DemoFolder() {
        std::error_code ignored;
        fs::remove_all(scratch_, ignored);
    }

private:
    DemoFolder() {
        std::string pattern = (fs::temp_directory_path() / "fenlark-library-bench-XXXXXX").string();
        scratch_ = ::mkdtemp(pattern.data());
        path_ = scratch_ + "/demos";
        std::vector<fs::path> sources;
        std::error_code error;
        for (const auto& entry : fs::recursive_directory_iterator(FENLARK_SHARED_DEMOS, error)) {
            const std::string extension = LowerExtension(entry.path().filename().string());
            if (entry.is_regular_file() && Extensions().contains(extension))
                sources.push_back(entry.path());
        }
        if (sources.empty())
            return;
        for (int i = 0; i < DemoCount; ++i) {
            const fs::path& source = sources[static_cast<std::size_t>(i) % sources.size()];
            const fs::path folder = fs::path(path_) / std::to_string(i / 500);
            fs::create_directories(folder);
            const fs::path target = folder / (std::to_string(i) + "_" + source.filename().string());
            fs::create_hard_link(source, target, error);
            if (error)
                fs::copy_file(source, target, error);
            if (!error)
                ++count_;
        }
    }

    std::string scratch_;
    std::string path_;
    int count_ = 0;
};

// Reads the first 64 KiB of each demo: the cost of the pipeline around the flow.
class FirstBlockDescriber final : public DemoDescriber {
public:
    DemoInfo describe(ByteSource& bytes, const DemoLocation&, const std::string&) override {
        std::vector<std::uint8_t> block(64 * 1024);
        const auto got = bytes.readAt(0, block);
        DemoInfo info;
        info.map = "map" + std::to_string(got.value_or(0) % 97);
        info.players = {"player" + std::to_string(got.value_or(0) % 31)};
        return info;
    }
};

ScanSummary Scan(LibraryDatabase& db, const DescriberFactory& describers,
                 const std::string& folder = DemoFolder::get().path()) {
    LibraryScanner scanner(db, describers, [](const std::string& extension) {
        return Extensions().contains(extension);
    });
    ScanOptions options;
    options.folders = {folder};
    options.threads = 2;
    std::atomic<bool> cancel{false};
    return scanner.scan(options, {}, cancel);
}

DescriberFactory Flow(bool matchAnalysis) {
    LibraryFlowSettings settings;
    settings.matchAnalysis = matchAnalysis;
    settings.programFolder = FENLARK_PROGRAM_FOLDER;
    settings.definitionsFolder = DefinitionsFolder();
    settings.makeLanguage = [] { return std::make_unique<Language>(); };
    return LibraryFlowDescribers(settings);
}

// Processor time of the whole process, every thread, in seconds.
double ProcessCpuSeconds() {
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Besides the wall-clock rate, the processor time of all threads per demo and
// the rate it allows on two otherwise idle cores: on a shared, loaded machine
// the wall clock says more about the other programs than about the scan.
void FirstScan(benchmark::State& state, const DescriberFactory& describers) {
    DemoFolder& folder = DemoFolder::get();
    if (!folder.ready()) {
        state.SkipWithError("the shared demos are absent");
        return;
    }
    static int round = 0; // a new database for every scan of every benchmark
    std::size_t stored = 0;
    double cpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string dbPath =
            folder.scratch() + "/first" + std::to_string(round++) + ".sqlite";
        state.ResumeTiming();
        const double cpuBefore = ProcessCpuSeconds();
        LibraryDatabase db(dbPath);
        stored = Scan(db, describers).demosStored;
        cpu += ProcessCpuSeconds() - cpuBefore;
    }
    const double demos = static_cast<double>(stored) * static_cast<double>(state.iterations());
    state.counters["demos"] = static_cast<double>(stored);
    state.counters["demos/s"] = benchmark::Counter(demos, benchmark::Counter::kIsRate);
    if (demos > 0 && cpu > 0) {
        state.counters["cpu us/demo"] = cpu * 1e6 / demos;
        state.counters["demos/s@2cores"] = 2 * demos / cpu;
    }
}

// The information columns only (fenlark-library scan --no-match).
void BM_FirstScanThroughTheFlow(benchmark::State& state) {
    FirstScan(state, Flow(false));
}
BENCHMARK(BM_FirstScanThroughTheFlow)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

// With the match analysis: a full pass over every Quake III-family demo.
void BM_FirstScanWithMatchAnalysis(benchmark::State& state) {
    FirstScan(state, Flow(true));
}
BENCHMARK(BM_FirstScanWithMatchAnalysis)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

// The same over the shared demos themselves (59 files, 30 MB).
void BM_FirstScanWithMatchAnalysisOfSharedDemos(benchmark::State& state) {
    DemoFolder& folder = DemoFolder::get();
    if (!folder.ready()) {
        state.SkipWithError("the shared demos are absent");
        return;
    }
    static int round = 0;
    std::size_t stored = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string dbPath =
            folder.scratch() + "/match" + std::to_string(round++) + ".sqlite";
        state.ResumeTiming();
        LibraryDatabase db(dbPath);
        stored = Scan(db, Flow(true), FENLARK_SHARED_DEMOS).demosStored;
    }
    state.counters["demos"] = static_cast<double>(stored);
    state.counters["demos/s"] =
        benchmark::Counter(static_cast<double>(stored) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FirstScanWithMatchAnalysisOfSharedDemos)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseRealTime();

void BM_FirstScanPipelineOnly(benchmark::State& state) {
    FirstScan(state, [] { return std::make_unique<FirstBlockDescriber>(); });
}
BENCHMARK(BM_FirstScanPipelineOnly)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_RescanUnchanged(benchmark::State& state) {
    DemoFolder& folder = DemoFolder::get();
    if (!folder.ready()) {
        state.SkipWithError("the shared demos are absent");
        return;
    }
    LibraryDatabase db(folder.scratch() + "/rescan.sqlite");
    const DescriberFactory describers = [] { return std::make_unique<FirstBlockDescriber>(); };
    Scan(db, describers);
    std::size_t unchanged = 0;
    for (auto _ : state)
        unchanged = Scan(db, describers).filesUnchanged;
    state.counters["unchanged"] = static_cast<double>(unchanged);
}
BENCHMARK(BM_RescanUnchanged)->Unit(benchmark::kMillisecond)->UseRealTime();

// 100,000 rows with player names drawn from a pool of 5,000, four per demo,
// made once per run.
class SearchDatabase {
public:
    static LibraryDatabase& get() {
        static SearchDatabase search;
        return *search.db_;
    }
    ~SearchDatabase() {
        db_.reset();
        std::error_code ignored;
        fs::remove_all(scratch_, ignored);
    }

private:
    SearchDatabase() {
        std::string pattern = (fs::temp_directory_path() / "fenlark-search-bench-XXXXXX").string();
        scratch_ = ::mkdtemp(pattern.data());
        db_ = std::make_unique<LibraryDatabase>(scratch_ + "/search.sqlite");
        std::vector<ScannedFile> batch;
        for (int i = 0; i < SearchRows; ++i) {
            ScannedFile file;
            file.path =
                "/demos/" + std::to_string(i / 1000) + "/demo" + std::to_string(i) + ".dm_68";
            DemoRecord record;
            record.location.path = file.path;
            record.info.game = i % 3 == 0 ? "Quake Live" : "Quake III Arena";
            record.info.map = "q3dm" + std::to_string(i % 19);
            record.info.server = "Server " + std::to_string(i % 211);
            record.info.mod = i % 2 == 0 ? "osp" : "cpma";
            for (int p = 0; p < 4; ++p)
                record.info.players.push_back("Player" + std::to_string((i * 7 + p * 1301) % 5000));
            record.date = 1500000000 + i * 600;
            file.demos.push_back(std::move(record));
            batch.push_back(std::move(file));
            if (batch.size() == 5000) {
                db_->store(batch);
                batch.clear();
            }
        }
    }

    std::string scratch_;
    std::unique_ptr<LibraryDatabase> db_;
};

void Search(benchmark::State& state, LibraryQuery query) {
    LibraryDatabase& db = SearchDatabase::get();
    std::size_t found = 0;
    for (auto _ : state)
        found = db.query(query).size();
    state.counters["rows"] = static_cast<double>(db.demoCount());
    state.counters["found"] = static_cast<double>(found);
}

void BM_SearchPlayerIn100kRows(benchmark::State& state) {
    LibraryQuery query;
    query.search = "player4321";
    Search(state, query);
}
BENCHMARK(BM_SearchPlayerIn100kRows)->Unit(benchmark::kMillisecond);

void BM_SearchThreeWordsSortedByDateIn100kRows(benchmark::State& state) {
    LibraryQuery query;
    query.search = "q3dm7 server 1";
    query.sort = SortColumn::Date;
    query.descending = true;
    Search(state, query);
}
BENCHMARK(BM_SearchThreeWordsSortedByDateIn100kRows)->Unit(benchmark::kMillisecond);

void BM_SearchPlayerPrefixInGameIn100kRows(benchmark::State& state) {
    LibraryQuery query;
    query.search = "player43";
    query.game = "Quake Live";
    Search(state, query);
}
BENCHMARK(BM_SearchPlayerPrefixInGameIn100kRows)->Unit(benchmark::kMillisecond);

// What the library window's table loads: every row, sorted by date.
void BM_ListAll100kRowsByDate(benchmark::State& state) {
    LibraryQuery query;
    query.sort = SortColumn::Date;
    Search(state, query);
}
BENCHMARK(BM_ListAll100kRowsByDate)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
