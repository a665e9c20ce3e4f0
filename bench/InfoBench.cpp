// Speed of fenlark-info over many demos in one call: the program is started
// once over 1,000 demos (hard links to the shared real demos where the file
// system allows, else copies, in a temporary folder) and the time per demo is
// reported, wall clock and the program's own processor time, for the text
// report and for --json. FENLARK_INFO_PROGRAM in the environment names
// another build of the program to time, to compare two builds on one set.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr int DemoCount = 1000;
constexpr double MillisecondsPerSecond = 1000.0;
constexpr double MicrosecondsPerSecond = 1e6;

bool IsDemoFile(const fs::path& path) {
    const std::string extension = path.extension().string();
    return extension != ".md" && extension != ".json" && extension != ".txt";
}

// A temporary folder of DemoCount demos, made once per run.
class DemoFolder {
public:
    static DemoFolder& get() {
        static DemoFolder folder;
        return folder;
    }
    bool ready() const { return static_cast<int>(demos_.size()) == DemoCount; }
    const std::vector<std::string>& demos() const { return demos_; }

    ~DemoFolder() {
        std::error_code ignored;
        fs::remove_all(scratch_, ignored);
    }
    DemoFolder(const DemoFolder&) = delete;
    DemoFolder& operator=(const DemoFolder&) = delete;

private:
    DemoFolder() {
        std::string pattern = (fs::temp_directory_path() / "fenlark-info-bench-XXXXXX").string();
        scratch_ = ::mkdtemp(pattern.data());
        std::vector<fs::path> sources;
        std::error_code error;
        for (const auto& entry : fs::recursive_directory_iterator(FENLARK_SHARED_DEMOS, error)) {
            if (entry.is_regular_file() && IsDemoFile(entry.path())) {
                sources.push_back(entry.path());
            }
        }
        std::sort(sources.begin(), sources.end());
        if (sources.empty()) {
            return;
        }
        for (int i = 0; i < DemoCount; ++i) {
            const fs::path& source = sources[static_cast<std::size_t>(i) % sources.size()];
            const fs::path target =
                fs::path(scratch_) / (std::to_string(i) + "_" + source.filename().string());
            fs::create_hard_link(source, target, error);
            if (error) {
                fs::copy_file(source, target, error);
            }
            if (!error) {
                demos_.push_back(target.string());
            }
        }
    }

    std::string scratch_;
    std::vector<std::string> demos_;
};

std::string InfoProgram() {
    const char* other = std::getenv("FENLARK_INFO_PROGRAM");
    return other != nullptr && *other != '\0' ? other : FENLARK_INFO_PROGRAM;
}

struct RunTimes {
    double wallSeconds = 0;
    double cpuSeconds = 0; // the program's user and system time
    bool exited = false;
};

// Runs fenlark-info once over every demo, its output to /dev/null.
RunTimes RunInfo(const std::vector<std::string>& options, const std::vector<std::string>& demos) {
    const std::string program = InfoProgram();
    std::vector<std::string> arguments = {program};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.insert(arguments.end(), demos.begin(), demos.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    RunTimes times;
    const auto started = std::chrono::steady_clock::now();
    pid_t child = 0;
    const int spawned =
        posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return times;
    }
    int status = 0;
    struct rusage usage {};
    if (::wait4(child, &status, 0, &usage) != child) {
        return times;
    }
    times.wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const auto seconds = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) +
               static_cast<double>(time.tv_usec) / MicrosecondsPerSecond;
    };
    times.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    // Exit status 1 only says that a demo showed a warning; 2 and up are failures.
    times.exited = WIFEXITED(status) && WEXITSTATUS(status) <= 1;
    return times;
}

void InfoOverDemos(benchmark::State& state, const std::vector<std::string>& options) {
    const DemoFolder& folder = DemoFolder::get();
    if (!folder.ready()) {
        state.SkipWithError("the shared demos are absent");
        return;
    }
    double wall = 0;
    double cpu = 0;
    for (auto _ : state) {
        const RunTimes times = RunInfo(options, folder.demos());
        if (!times.exited) {
            state.SkipWithError("fenlark-info failed");
            return;
        }
        state.SetIterationTime(times.wallSeconds);
        wall += times.wallSeconds;
        cpu += times.cpuSeconds;
    }
    const double runs = static_cast<double>(DemoCount) * static_cast<double>(state.iterations());
    state.counters["demos"] = DemoCount;
    state.counters["ms/demo"] = wall * MillisecondsPerSecond / runs;
    state.counters["cpu ms/demo"] = cpu * MillisecondsPerSecond / runs;
}

void BM_InfoTextOver1000Demos(benchmark::State& state) {
    InfoOverDemos(state, {});
}
BENCHMARK(BM_InfoTextOver1000Demos)->Unit(benchmark::kMillisecond)->UseManualTime();

void BM_InfoJsonOver1000Demos(benchmark::State& state) {
    InfoOverDemos(state, {"--json"});
}
BENCHMARK(BM_InfoJsonOver1000Demos)->Unit(benchmark::kMillisecond)->UseManualTime();

} // namespace

BENCHMARK_MAIN();
