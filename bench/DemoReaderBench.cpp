// Speed of the demo reader on the real demos of the shared folder: reading
// all of them completely, and opening one with its first message (what the
// window needs).

#include "DemoWalk.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Demo {
    std::string path;
    std::uint64_t size;
};

// The Quake III family demos with Huffman-coded messages (protocols 66 to 91).
const std::vector<Demo>& Demos() {
    static const std::vector<Demo> demos = [] {
        std::vector<Demo> found;
        std::error_code error;
        for (const char* folder : {"dm_66", "dm_67", "dm_68", "dm_73", "dm_90", "dm_91"}) {
            for (const auto& entry :
                 fs::directory_iterator(fs::path(FENLARK_SHARED_DEMOS) / folder, error)) {
                found.push_back({entry.path().string(), entry.file_size()});
            }
        }
        std::sort(found.begin(), found.end(),
                  [](const Demo& a, const Demo& b) { return a.path < b.path; });
        return found;
    }();
    return demos;
}

// Every demo read completely, through the C++ message walk (as the tool
// reads) or through the C interface.
void ReadAllDemos(benchmark::State& state, fenlark::bench::WalkPath how) {
    if (Demos().empty()) {
        state.SkipWithError("no demo folder");
        return;
    }
    std::uint64_t bytes = 0;
    for (auto _ : state) {
        for (const Demo& demo : Demos()) {
            benchmark::DoNotOptimize(fenlark::bench::WalkWholeDemo(demo.path.c_str(), how));
            bytes += demo.size;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    state.counters["files"] = static_cast<double>(Demos().size());
}
BENCHMARK_CAPTURE(ReadAllDemos, MessageWalk, fenlark::bench::WalkPath::MessageWalk)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
BENCHMARK_CAPTURE(ReadAllDemos, CInterface, fenlark::bench::WalkPath::CInterface)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

// Open, read and walk the first message (the gamestate), close.
void OpenAndFirstMessage(benchmark::State& state, const Demo& demo) {
    for (auto _ : state) {
        const auto reader = fenlark::demoreader::DemoReader::open(demo.path.c_str());
        fenlark::bench::WalkCount count;
        if (reader->readNextMessage() == fenlark::demoreader::MessageStatus::Ready) {
            fenlark::bench::WalkOneMessage(*reader, count);
        }
        benchmark::DoNotOptimize(count);
    }
}

// Open and ReadNextMessage alone.
void OpenAndNextMessage(benchmark::State& state, const Demo& demo) {
    for (auto _ : state) {
        const std::int32_t handle = OpenDemoFile(demo.path.c_str());
        benchmark::DoNotOptimize(ReadNextMessage(handle));
        CloseDemoFile(handle);
    }
}

// Every demo for the first-message figures: small and large files, small and
// large gamestates.
const int Registered = [] {
    for (const Demo& demo : Demos()) {
        const std::string name = fs::path(demo.path).filename().string();
        benchmark::RegisterBenchmark(("OpenAndFirstMessage/" + name).c_str(), OpenAndFirstMessage,
                                     demo)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("OpenAndNextMessage/" + name).c_str(), OpenAndNextMessage,
                                     demo)
            ->Unit(benchmark::kMicrosecond);
    }
    return 0;
}();

} // namespace

BENCHMARK_MAIN();
