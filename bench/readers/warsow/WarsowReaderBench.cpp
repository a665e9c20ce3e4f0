// Speed of the Warsow reader on the demos of the shared folder: the
// window's reading of each file (which must stay under 5 ms), and the whole
// files one after another (which must reach 100 MB/s).

#include "readers/warsow/WarsowReader.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace fenlark;
using namespace fenlark::readers;
namespace fs = std::filesystem;

struct Demo {
    std::string path;
    std::uint64_t size;
    EngineReaderFunction reader;
};

std::vector<Demo> Demos() {
    std::vector<Demo> found;
    std::error_code error;
    for (const auto& [folder, reader] : {std::pair{"warsow_wd", &ReadWarsowDemo}}) {
        for (const auto& entry :
             fs::directory_iterator(fs::path(FENLARK_SHARED_DEMOS) / folder, error)) {
            found.push_back({entry.path().string(), entry.file_size(), reader});
        }
    }
    return found;
}

EngineReport ReadDemo(const Demo& demo, ReadDepth depth) {
    auto source = FileSource::open(demo.path);
    return source ? demo.reader(*source, depth) : EngineReport{};
}

void Window(benchmark::State& state, const Demo& demo) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadDemo(demo, ReadDepth::Window));
    }
}

void WholeFiles(benchmark::State& state) {
    const std::vector<Demo> demos = Demos();
    if (demos.empty()) {
        state.SkipWithError("no demo folder");
        return;
    }
    std::uint64_t bytes = 0;
    for (auto _ : state) {
        for (const Demo& demo : demos) {
            benchmark::DoNotOptimize(ReadDemo(demo, ReadDepth::WholeFile));
            bytes += demo.size;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(WholeFiles)->Unit(benchmark::kMillisecond);

const bool Registered = [] {
    for (const Demo& demo : Demos()) {
        benchmark::RegisterBenchmark(("Window/" + fs::path(demo.path).filename().string()).c_str(),
                                     Window, demo)
            ->Unit(benchmark::kMicrosecond);
    }
    return true;
}();

} // namespace

BENCHMARK_MAIN();
