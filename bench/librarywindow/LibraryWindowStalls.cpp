// How long the library window's event loop goes without running while the
// window scans many demos, re-sorts and filters its rows, and re-scans the
// unchanged folder. A 1 ms timer ticks throughout; the longest gap between
// two ticks is the longest time the window could not answer the user.
// It reports; it asserts nothing (timing depends on the machine's load).
//
//   fenlark_library_window_stalls [DEMO_FOLDER [DEMOS]]
//
// DEMO_FOLDER defaults to the shared real demos; DEMOS (default 2000) hard
// links to its demos (copies where links fail) are made in a temporary
// folder, together with a temporary database. Runs on the offscreen platform
// unless QT_QPA_PLATFORM says otherwise.

#include "app/LibraryDescriber.h"
#include "lang/Language.h"
#include "library/DemoExtensions.h"
#include "library/LibraryScanner.h"
#include "qt/LibraryTableModel.h"
#include "qt/LibraryWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QTableView>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace fenlark;
using namespace fenlark::gui;

namespace {

constexpr int DefaultDemos = 2000;
constexpr int DemosPerFolder = 500;
constexpr qint64 StallMs = 100;

struct Gap {
    qint64 ms = 0;
    qint64 runMs = 0;   // the window's thread ran on a core
    qint64 readyMs = 0; // it was ready to run but waited for a free core
    std::string phase;
};

// The calling thread's time on a core and its time waiting for one, from the
// kernel's scheduler statistics: a long gap with little running time and
// much waiting means the machine was busy, not that the window worked or
// blocked. Zero when the kernel does not keep the statistics.
struct ThreadTimes {
    qint64 runMs = 0;
    qint64 readyMs = 0;
};

ThreadTimes CurrentThreadTimes() {
    ThreadTimes times;
    if (std::FILE* stats = std::fopen("/proc/thread-self/schedstat", "r")) {
        unsigned long long runNs = 0;
        unsigned long long readyNs = 0;
        if (std::fscanf(stats, "%llu %llu", &runNs, &readyNs) == 2) {
            constexpr unsigned long long NsPerMs = 1000000;
            times.runMs = static_cast<qint64>(runNs / NsPerMs);
            times.readyMs = static_cast<qint64>(readyNs / NsPerMs);
        }
        std::fclose(stats);
    }
    return times;
}

// Ticks every millisecond and keeps the gaps between ticks.
class TickRecorder {
public:
    TickRecorder() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
    }
    void startPhase(std::string name) {
        phase_ = std::move(name);
        phaseLongest_ = {};
        phaseStalls_ = 0;
        phaseTicks_ = 0;
        phaseClock_.start();
        last_.start();
        lastTimes_ = CurrentThreadTimes();
        timer_.start();
    }
    void endPhase() {
        tick();
        timer_.stop();
        std::printf("%-22s %8lld ms %7d ticks  longest gap %4lld ms (%lld / %lld ms)  over %lld "
                    "ms: %d\n",
                    phase_.c_str(), static_cast<long long>(phaseClock_.elapsed()), phaseTicks_,
                    static_cast<long long>(phaseLongest_.ms),
                    static_cast<long long>(phaseLongest_.runMs),
                    static_cast<long long>(phaseLongest_.readyMs), static_cast<long long>(StallMs),
                    phaseStalls_);
        std::fflush(stdout);
    }
    void report() const {
        std::vector<Gap> sorted = gaps_;
        std::sort(sorted.begin(), sorted.end(),
                  [](const Gap& a, const Gap& b) { return a.ms > b.ms; });
        std::printf("longest gaps (the window's thread running / waiting for a core):\n");
        for (std::size_t i = 0; i < std::min<std::size_t>(sorted.size(), 8); ++i) {
            std::printf("  %5lld ms (%lld / %lld ms) in %s\n", static_cast<long long>(sorted[i].ms),
                        static_cast<long long>(sorted[i].runMs),
                        static_cast<long long>(sorted[i].readyMs), sorted[i].phase.c_str());
        }
    }
    qint64 longest() const { return longest_; }

private:
    void tick() {
        const qint64 gap = last_.restart();
        const ThreadTimes times = CurrentThreadTimes();
        const qint64 run = times.runMs - lastTimes_.runMs;
        const qint64 ready = times.readyMs - lastTimes_.readyMs;
        lastTimes_ = times;
        ++phaseTicks_;
        if (gap > phaseLongest_.ms) {
            phaseLongest_ = {gap, run, ready, phase_};
        }
        longest_ = std::max(longest_, gap);
        if (gap > StallMs) {
            ++phaseStalls_;
        }
        if (gap >= 10) {
            gaps_.push_back({gap, run, ready, phase_});
        }
    }

    QTimer timer_;
    QElapsedTimer last_;
    QElapsedTimer phaseClock_;
    std::string phase_;
    Gap phaseLongest_;
    qint64 longest_ = 0;
    ThreadTimes lastTimes_;
    int phaseStalls_ = 0;
    int phaseTicks_ = 0;
    std::vector<Gap> gaps_;
};

// Spins the event loop until `done` holds (checked after every signal of
// `sender` and on a timer), at most `limitMs`.
template <typename Sender, typename Signal>
void WaitFor(const Sender* sender, Signal signal, const std::function<bool()>& done,
             int limitMs = 3600 * 1000) {
    QEventLoop loop;
    QObject::connect(sender, signal, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    poll.start(50);
    QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
    if (!done()) {
        loop.exec();
    }
}

// Lets the event loop run for `ms` milliseconds.
void Pause(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

std::string ProgramFolder(const char* argv0) {
    std::error_code error;
    const fs::path self = fs::canonical("/proc/self/exe", error);
    return error ? fs::path(argv0).parent_path().string() : self.parent_path().string();
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const std::string source = argc > 1 ? argv[1] : FENLARK_SHARED_DEMOS;
    const int wanted = argc > 2 ? std::max(1, std::atoi(argv[2])) : DefaultDemos;
    const std::string programFolder = ProgramFolder(argv[0]);
    const std::string definitions = programFolder + "/../Data/";
    const std::set<std::string> extensions = library::DemoExtensionsOf(definitions);

    std::string pattern = (fs::temp_directory_path() / "fenlark-window-stalls-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        return 1;
    }
    const std::string scratch = pattern;
    const std::string demos = scratch + "/demos";
    std::vector<fs::path> sources;
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(source, error)) {
        if (entry.is_regular_file() &&
            extensions.contains(library::LowerExtension(entry.path().filename().string()))) {
            sources.push_back(entry.path());
        }
    }
    if (sources.empty()) {
        std::fprintf(stderr, "no demos under %s (definitions from %s)\n", source.c_str(),
                     definitions.c_str());
        fs::remove_all(scratch, error);
        return 1;
    }
    int made = 0;
    for (int i = 0; i < wanted; ++i) {
        const fs::path& from = sources[static_cast<std::size_t>(i) % sources.size()];
        const fs::path folder = fs::path(demos) / std::to_string(i / DemosPerFolder);
        fs::create_directories(folder, error);
        const fs::path target = folder / (std::to_string(i) + "_" + from.filename().string());
        error.clear();
        fs::create_hard_link(from, target, error);
        if (error) {
            error.clear();
            fs::copy_file(from, target, error);
        }
        made += error ? 0 : 1;
    }
    std::printf("%d demos (from %zu files of %s), %d threads\n", made, sources.size(),
                source.c_str(), QThread::idealThreadCount());

    LibraryFlowSettings flow;
    flow.programFolder = programFolder;
    flow.definitionsFolder = definitions;
    flow.makeLanguage = [] { return std::make_unique<Language>(); };
    LibraryWindowSetup setup;
    setup.databasePath = scratch + "/library.sqlite";
    setup.describers = LibraryFlowDescribers(flow);
    setup.isDemoExtension = [&extensions](const std::string& extension) {
        return extensions.contains(extension);
    };

    TickRecorder ticks;
    qint64 longest = 0;
    {
        LibraryWindow window(setup);
        window.show();
        const auto idle = [&] { return !window.scanning() && !window.model()->loading(); };
        const auto reloaded = [&] { return !window.model()->loading(); };

        ticks.startPhase("first scan");
        window.scanFolders({QString::fromStdString(demos)});
        WaitFor(&window, &LibraryWindow::scanFinished, idle);
        ticks.endPhase();
        std::printf("%-28s %d rows\n", "", window.model()->rowCount());

        for (const auto column : {LibraryTableModel::Players, LibraryTableModel::Date,
                                  LibraryTableModel::Map, LibraryTableModel::File}) {
            ticks.startPhase("sort by column " + std::to_string(column));
            window.table->sortByColumn(column, Qt::DescendingOrder);
            WaitFor(window.model(), &LibraryTableModel::reloaded, reloaded);
            ticks.endPhase();
        }

        ticks.startPhase("search, then clear it");
        window.searchBox->setText(QStringLiteral("a"));
        Pause(300); // the search box waits 200 ms for more typing
        WaitFor(window.model(), &LibraryTableModel::reloaded, reloaded);
        window.searchBox->clear();
        Pause(300);
        WaitFor(window.model(), &LibraryTableModel::reloaded, reloaded);
        ticks.endPhase();

        ticks.startPhase("re-scan, unchanged");
        window.scanFolders({QString::fromStdString(demos)});
        WaitFor(&window, &LibraryWindow::scanFinished, idle);
        ticks.endPhase();
        longest = ticks.longest();
    }
    ticks.report();
    std::printf("longest stall of the event loop: %lld ms\n", static_cast<long long>(longest));
    fs::remove_all(scratch, error);
    return 0;
}
