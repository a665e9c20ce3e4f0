#pragma once
// Speed of a Quake-family engine's built-in reader on the real demos of one folder of
// the shared demo collection: the window's reading per file (open, read as
// far as the window needs) and whole files (the match facts) as throughput.

#include "readers/EngineReport.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace fenlark::bench {

struct BenchDemo {
    std::string path;
    std::uint64_t size = 0;
};

inline std::vector<BenchDemo> DemosIn(const char* folder) {
    std::vector<BenchDemo> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(
             std::filesystem::path(FENLARK_SHARED_DEMOS) / folder, error)) {
        found.push_back({entry.path().string(), entry.file_size()});
    }
    std::ranges::sort(found, {}, &BenchDemo::path);
    return found;
}

inline void ReadDemo(benchmark::State& state, readers::EngineReaderFunction read,
                     const BenchDemo& demo, readers::ReadDepth depth) {
    for (auto _ : state) {
        auto source = FileSource::open(demo.path);
        if (!source) {
            state.SkipWithError("cannot open the demo");
            return;
        }
        readers::EngineReport report = read(*source, depth);
        benchmark::DoNotOptimize(report);
    }
    if (depth == readers::ReadDepth::WholeFile) {
        state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                                static_cast<std::int64_t>(demo.size));
    }
}

// Registers "Window/<file>" and "WholeFile/<file>" for every demo of `folder`.
inline int RegisterReaderBenchmarks(const char* folder, readers::EngineReaderFunction read) {
    for (const BenchDemo& demo : DemosIn(folder)) {
        const std::string name = std::filesystem::path(demo.path).filename().string();
        benchmark::RegisterBenchmark(("Window/" + name).c_str(), ReadDemo, read, demo,
                                     readers::ReadDepth::Window)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("WholeFile/" + name).c_str(), ReadDemo, read, demo,
                                     readers::ReadDepth::WholeFile)
            ->Unit(benchmark::kMillisecond);
    }
    return 0;
}

} // namespace fenlark::bench
