// Speed of the built-in engine readers on the real demos of the shared
// folder, one benchmark family per engine:
//   Window/<reader>/<file>     the window's reading of one file (open, read as
//                              far as the window needs), which must stay
//                              under 5 ms;
//   WholeFile/<reader>/<file>  the whole file for the match facts, as bytes
//                              per second (100 MB/s wanted);
//   AllFiles/<reader>          every file of the folder one after another.
// `--benchmark_filter=quake2` picks one engine.

#include "readers/EngineReaders.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace fenlark;
using namespace fenlark::readers;
namespace fs = std::filesystem;

struct DemoFolder {
    const char* folder; // below the shared demo folder
    const char* extension;
    std::string_view reader; // a name of the reader registry
};

// Folders whose files the readers must all read; the GoldSrc folder also
// holds two files damaged on purpose, which would only time the refusal.
constexpr DemoFolder Folders[] = {
    {"qw_mvd", ".mvd", "quakeworld-mvd"}, {"quake1_dem", ".dem", "quake-dem"},
    {"quake2_dm2", ".dm2", "quake2-dm2"}, {"q2pro_mvd2", ".mvd2", "q2pro-mvd2"},
    {"warsow_wd", "", "warsow-wd"},       {"source_dem", ".dem", "source-dem"},
    {"hl1_dem", ".dem", "goldsrc-dem"},
};

struct BenchDemo {
    std::string path;
    std::string name;
    std::uint64_t size = 0;
};

std::vector<BenchDemo> DemosOf(const DemoFolder& folder) {
    std::vector<BenchDemo> found;
    std::error_code error;
    for (const auto& entry :
         fs::directory_iterator(fs::path(FENLARK_SHARED_DEMOS) / folder.folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.find("invalid") != std::string::npos ||
            (*folder.extension != '\0' && entry.path().extension() != folder.extension)) {
            continue;
        }
        found.push_back({entry.path().string(), name, entry.file_size()});
    }
    std::ranges::sort(found, {}, &BenchDemo::path);
    return found;
}

// Reads one demo, opening it each time as the window does; false when the
// file cannot be opened.
bool ReadOnce(EngineReaderFunction read, const BenchDemo& demo, ReadDepth depth) {
    auto source = FileSource::open(demo.path);
    if (!source) {
        return false;
    }
    EngineReport report = read(*source, depth);
    benchmark::DoNotOptimize(report);
    return true;
}

void ReadFiles(benchmark::State& state, EngineReaderFunction read,
               const std::vector<BenchDemo>& demos, ReadDepth depth) {
    std::uint64_t bytes = 0;
    for (auto _ : state) {
        for (const BenchDemo& demo : demos) {
            if (!ReadOnce(read, demo, depth)) {
                state.SkipWithError("cannot open a demo");
                return;
            }
            bytes += demo.size;
        }
    }
    if (depth == ReadDepth::WholeFile) {
        state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    }
}

const bool Registered = [] {
    for (const DemoFolder& folder : Folders) {
        const EngineReaderEntry* reader = FindEngineReader(folder.reader);
        const std::vector<BenchDemo> demos = DemosOf(folder);
        if (reader == nullptr || demos.empty()) {
            continue;
        }
        const std::string engine(folder.reader);
        for (const BenchDemo& demo : demos) {
            const std::vector<BenchDemo> one{demo};
            benchmark::RegisterBenchmark(("Window/" + engine + "/" + demo.name).c_str(), ReadFiles,
                                         reader->read, one, ReadDepth::Window)
                ->Unit(benchmark::kMicrosecond);
            benchmark::RegisterBenchmark(("WholeFile/" + engine + "/" + demo.name).c_str(),
                                         ReadFiles, reader->read, one, ReadDepth::WholeFile)
                ->Unit(benchmark::kMillisecond);
        }
        benchmark::RegisterBenchmark(("AllFiles/" + engine).c_str(), ReadFiles, reader->read, demos,
                                     ReadDepth::WholeFile)
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

} // namespace

BENCHMARK_MAIN();
