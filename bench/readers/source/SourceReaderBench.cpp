// Speed of the Source demo reader on the real demos of the shared folder:
// the window's reading of each file (players and values) and the whole-file
// reading for the match facts, in bytes per second.

#include "readers/source/SourceDemoReader.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using fenlark::FileSource;
using fenlark::readers::ReadDepth;

void ReadDemo(benchmark::State& state, const fs::path& path, ReadDepth depth) {
    auto source = FileSource::open(path.string());
    if (!source) {
        state.SkipWithError("demo absent");
        return;
    }
    for (auto _ : state) {
        auto report = fenlark::readers::ReadSourceDemo(*source, depth);
        benchmark::DoNotOptimize(report);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(source->size()));
}

const bool Registered = [] {
    const fs::path folder = fs::path(FENLARK_SHARED_DEMOS) / "source_dem";
    for (const char* name : {"hl2dm_ffa.dem", "tf2_demostf_small.dem", "nekzor_hl2oe.dem",
                             "nekzor_portal.dem", "nekzor_portal_steampipe.dem"}) {
        const fs::path path = folder / name;
        benchmark::RegisterBenchmark(
            (std::string("Window/") + name).c_str(),
            [path](benchmark::State& state) { ReadDemo(state, path, ReadDepth::Window); })
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(
            (std::string("WholeFile/") + name).c_str(),
            [path](benchmark::State& state) { ReadDemo(state, path, ReadDepth::WholeFile); })
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

} // namespace

BENCHMARK_MAIN();
