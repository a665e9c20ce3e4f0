// Speed of the match analysis on the Quake III-family demos of the shared
// folder, next to the bare walk of the same demos (every message decoded,
// nothing kept), which is the floor the analysis builds on.
//
// Each benchmark reports "MB=.../s" (10^6 bytes of demo file per second of CPU
// time): AnalyseAll over every demo, AnalyseCoded without the two old
// uncompressed ones, AnalyseGroup/<folder> per folder of the shared demos,
// and BareWalkAll. With --benchmark_repetitions=N the median lines are the
// figures to compare.

#include "demoreader/DemoReader.h"
#include "demoreader/MessageWalk.h"
#include "q3match/MatchAnalysis.h"

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

std::vector<Demo> FindDemos(std::initializer_list<const char*> folders) {
    std::vector<Demo> found;
    std::error_code error;
    for (const char* folder : folders) {
        for (const auto& entry :
             fs::directory_iterator(fs::path(FENLARK_SHARED_DEMOS) / folder, error)) {
            const std::string extension = entry.path().extension().string();
            if (extension.rfind(".dm_", 0) == 0 || extension == ".dm3") {
                found.push_back({entry.path().string(), entry.file_size()});
            }
        }
    }
    std::sort(found.begin(), found.end(),
              [](const Demo& a, const Demo& b) { return a.path < b.path; });
    return found;
}

// Every Quake III-family demo, the old uncompressed formats and our own
// recordings included.
const std::vector<Demo>& AllDemos() {
    static const std::vector<Demo> demos = FindDemos(
        {"dm_66", "dm_67", "dm_68", "dm_73", "dm_90", "dm_91", "q3_dm3_dm48", "recorded"});
    return demos;
}

// The Huffman-coded protocols only (66 to 91).
const std::vector<Demo>& CodedDemos() {
    static const std::vector<Demo> demos =
        FindDemos({"dm_66", "dm_67", "dm_68", "dm_73", "dm_90", "dm_91", "recorded"});
    return demos;
}

std::uint64_t BareWalk(const std::string& path) {
    auto reader = fenlark::demoreader::DemoReader::open(path.c_str());
    if (!reader) {
        return 0;
    }
    fenlark::demoreader::NullMessageVisitor visitor;
    while (reader->readNextMessage() == fenlark::demoreader::MessageStatus::Ready) {
        if (fenlark::demoreader::WalkMessage(*reader, visitor) !=
            fenlark::demoreader::WalkEnd::EndOfMessage) {
            break;
        }
    }
    return reader->messageCount();
}

template <class Run>
void OverDemos(benchmark::State& state, const std::vector<Demo>& demos, Run run) {
    if (demos.empty()) {
        state.SkipWithError("no demo folder");
        return;
    }
    std::uint64_t bytes = 0;
    for (auto _ : state) {
        for (const Demo& demo : demos) {
            run(demo);
            bytes += demo.size;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    state.counters["MB"] =
        benchmark::Counter(static_cast<double>(bytes) / 1e6, benchmark::Counter::kIsRate);
    state.counters["files"] = static_cast<double>(demos.size());
}

void AnalyseAll(benchmark::State& state) {
    OverDemos(state, AllDemos(), [](const Demo& demo) {
        benchmark::DoNotOptimize(fenlark::q3match::AnalyseDemoFile(demo.path));
    });
}
BENCHMARK(AnalyseAll)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void AnalyseCoded(benchmark::State& state) {
    OverDemos(state, CodedDemos(), [](const Demo& demo) {
        benchmark::DoNotOptimize(fenlark::q3match::AnalyseDemoFile(demo.path));
    });
}
BENCHMARK(AnalyseCoded)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// One benchmark per folder, so that a protocol that reads slowly shows.
constexpr const char* Groups[] = {"dm_66", "dm_67", "dm_68",       "dm_73",
                                  "dm_90", "dm_91", "q3_dm3_dm48", "recorded"};

const bool GroupsRegistered = [] {
    for (const char* group : Groups) {
        benchmark::RegisterBenchmark((std::string("AnalyseGroup/") + group).c_str(),
                                     [group](benchmark::State& state) {
                                         const std::vector<Demo> demos = FindDemos({group});
                                         OverDemos(state, demos, [](const Demo& demo) {
                                             benchmark::DoNotOptimize(
                                                 fenlark::q3match::AnalyseDemoFile(demo.path));
                                         });
                                     })
            ->Unit(benchmark::kMillisecond)
            ->MinTime(1.0);
    }
    return true;
}();

void BareWalkAll(benchmark::State& state) {
    OverDemos(state, AllDemos(),
              [](const Demo& demo) { benchmark::DoNotOptimize(BareWalk(demo.path)); });
}
BENCHMARK(BareWalkAll)->Unit(benchmark::kMillisecond)->MinTime(3.0);

} // namespace

BENCHMARK_MAIN();
