// Speed of the GoldSrc demo reader on the real demos of the shared folder:
// the window's reading of each file (players and values) and the whole-file
// reading for the match facts, in bytes per second.

#include "readers/goldsrc/GoldSrcDemoReader.h"

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
        auto report = fenlark::readers::ReadGoldSrcDemo(*source, depth);
        benchmark::DoNotOptimize(report);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(source->size()));
}

const bool Registered = [] {
    const fs::path folder = fs::path(FENLARK_SHARED_DEMOS) / "hl1_dem";
    for (const char* name : {"hldemo-rs_basic.dem", "hldemo-rs_frame-types.dem"}) {
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
