#include "library/LibraryScanner.h"

#include "library/ArchiveMembers.h"
#include "library/FolderWalker.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <unordered_set>

namespace fenlark::library {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr std::int64_t NanosecondsPerSecond = 1'000'000'000;
// How often progress is reported, results are collected and, at the latest,
// a batch is committed: a killed scan loses at most this much work.
constexpr milliseconds ProgressInterval(100);
constexpr milliseconds CollectInterval(50);
constexpr milliseconds CommitInterval(250);

struct Job {
    std::string path;
    FileState state;
    bool archive = false;
};

struct WorkResult {
    ScannedFile file;
    std::vector<ScanSkip> skips;
    bool store = true; // false: could not be read now; tried again next scan
};

// Results travel from the workers to the storing thread.
class ResultQueue {
public:
    void push(WorkResult result) {
        {
            std::lock_guard lock(mutex_);
            results_.push_back(std::move(result));
        }
        ready_.notify_one();
    }
    void workerDone() {
        {
            std::lock_guard lock(mutex_);
            ++workersDone_;
        }
        ready_.notify_one();
    }
    // Waits up to `wait` for results; moves out everything queued.
    std::deque<WorkResult> take(std::chrono::milliseconds wait, std::size_t& workersDone) {
        std::unique_lock lock(mutex_);
        ready_.wait_for(lock, wait, [&] { return !results_.empty(); });
        std::deque<WorkResult> taken;
        taken.swap(results_);
        workersDone = workersDone_;
        return taken;
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<WorkResult> results_;
    std::size_t workersDone_ = 0;
};

std::int64_t FloorSeconds(std::int64_t nanoseconds) {
    std::int64_t seconds = nanoseconds / NanosecondsPerSecond;
    if (nanoseconds % NanosecondsPerSecond < 0) {
        --seconds;
    }
    return seconds;
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

DemoInfo DescribeSafely(DemoDescriber& describer, ByteSource& bytes, const DemoLocation& location,
                        const std::string& extension) {
    try {
        return describer.describe(bytes, location, extension);
    } catch (const std::exception& error) {
        DemoInfo info;
        info.message = std::string("cannot be described: ") + error.what();
        return info;
    } catch (...) {
        DemoInfo info;
        info.message = "cannot be described";
        return info;
    }
}

DemoRecord MakeRecord(DemoLocation location, DemoInfo info, std::uint64_t size,
                      std::int64_t fileDate) {
    DemoRecord record;
    record.location = std::move(location);
    record.size = size;
    if (info.demoTime) {
        record.date = *info.demoTime;
        record.dateSource = DateSource::Demo;
    } else {
        record.date = fileDate;
        record.dateSource = DateSource::File;
    }
    record.info = std::move(info);
    return record;
}

class Worker {
public:
    Worker(DemoDescriber& describer, const ScanOptions& options,
           const std::function<bool(const std::string&)>& isDemoExtension,
           const std::atomic<bool>& cancel)
        : describer_(describer), options_(options), isDemoExtension_(isDemoExtension),
          cancel_(cancel) {}

    WorkResult read(const Job& job) {
        WorkResult result;
        result.file.path = job.path;
        result.file.state = job.state;
        result.file.archive = job.archive;
        if (job.archive) {
            readArchive(job, result);
        } else {
            readPlain(job, result);
        }
        return result;
    }

private:
    void readPlain(const Job& job, WorkResult& result) {
        auto source = FileSource::open(job.path);
        if (!source) {
            result.skips.push_back(
                {job.path, "",
                 std::string("cannot open: ") + std::strerror(errno ? errno : EACCES)});
            result.store = false;
            return;
        }
        DemoLocation location{job.path, ""};
        DemoInfo info =
            DescribeSafely(describer_, *source, location, LowerExtension(BaseName(job.path)));
        result.file.demos.push_back(MakeRecord(std::move(location), std::move(info), source->size(),
                                               FloorSeconds(job.state.mtimeNs)));
    }

    void readArchive(const Job& job, WorkResult& result) {
        // libarchive's own message for a file it cannot open is vague; look first.
        const int probe = ::open(job.path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (probe < 0) {
            result.skips.push_back(
                {job.path, "", std::string("cannot open: ") + std::strerror(errno)});
            result.store = false;
            return;
        }
        ::close(probe);

        const std::int64_t archiveDate = FloorSeconds(job.state.mtimeNs);
        ArchiveCallbacks callbacks;
        callbacks.wanted = [&](const std::string& name) {
            return isDemoExtension_(LowerExtension(BaseName(name)));
        };
        callbacks.member = [&](ArchiveMember&& member) {
            DemoLocation location{job.path, member.name};
            const std::uint64_t size = member.bytes.size();
            const std::int64_t date = member.mtime.value_or(archiveDate);
            MemorySource source(std::move(member.bytes));
            DemoInfo info =
                DescribeSafely(describer_, source, location, LowerExtension(BaseName(member.name)));
            result.file.demos.push_back(
                MakeRecord(std::move(location), std::move(info), size, date));
        };
        callbacks.skipped = [&](const std::string& name, const std::string& reason) {
            result.skips.push_back({job.path, name, reason});
        };
        callbacks.cancelled = [&] { return cancel_.load(std::memory_order_relaxed); };

        const std::string failure =
            ReadArchiveMembers(job.path, options_.maxMemberBytes, callbacks);
        if (cancel_.load(std::memory_order_relaxed)) {
            result.store = false; // a part of an archive would hide its other members
            return;
        }
        if (!failure.empty()) {
            result.file.skipReason = failure;
            result.skips.push_back({job.path, "", failure});
        }
    }

    DemoDescriber& describer_;
    const ScanOptions& options_;
    const std::function<bool(const std::string&)>& isDemoExtension_;
    const std::atomic<bool>& cancel_;
};

std::string CanonicalFolder(const std::string& folder) {
    char resolved[PATH_MAX];
    if (::realpath(folder.c_str(), resolved) == nullptr) {
        throw LibraryError(folder + ": " + std::strerror(errno));
    }
    struct stat info {};
    if (::stat(resolved, &info) != 0 || !S_ISDIR(info.st_mode)) {
        throw LibraryError(folder + ": not a folder");
    }
    if (::access(resolved, R_OK | X_OK) != 0) {
        throw LibraryError(folder + ": cannot read the folder: " + std::strerror(errno));
    }
    return resolved;
}

bool IsUnder(const std::string& path, const std::string& folder) {
    if (folder == "/") {
        return path.size() > 1 && path.front() == '/';
    }
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           path[folder.size()] == '/';
}

} // namespace

std::string LowerExtension(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) {
        return {};
    }
    std::string extension = name.substr(dot + 1);
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return extension;
}

LibraryScanner::LibraryScanner(LibraryDatabase& database, DescriberFactory describers,
                               std::function<bool(const std::string& extension)> isDemoExtension)
    : database_(database), describers_(std::move(describers)),
      isDemoExtension_(std::move(isDemoExtension)) {}

ScanSummary LibraryScanner::scan(const ScanOptions& options,
                                 const std::function<void(const ScanProgress&)>& onProgress,
                                 const std::atomic<bool>& cancel) {
    const auto started = Clock::now();
    ScanSummary summary;

    std::vector<std::string> roots;
    for (const std::string& folder : options.folders) {
        roots.push_back(CanonicalFolder(folder));
    }

    // Walk every folder first: the number of files to read gives the
    // progress its total.
    const std::function<bool(const std::string&)> wanted = [&](const std::string& name) {
        return IsArchiveName(name) || isDemoExtension_(LowerExtension(name));
    };
    std::vector<WalkedFile> walked;
    std::vector<std::string> unlisted;
    for (const std::string& root : roots) {
        WalkResult result = WalkFolder(root, wanted, cancel);
        summary.filesIgnored += result.ignoredFiles;
        for (WalkSkip& skip : result.skips) {
            summary.skips.push_back({std::move(skip.path), "", std::move(skip.reason)});
        }
        for (WalkedFile& file : result.files) {
            walked.push_back(std::move(file));
        }
        for (std::string& folder : result.unlistedFolders) {
            unlisted.push_back(std::move(folder));
        }
    }

    const auto known = database_.knownFiles();
    std::unordered_set<std::string> seen;
    std::vector<Job> jobs;
    for (WalkedFile& file : walked) {
        if (!seen.insert(file.path).second) {
            continue; // named by two of the folders
        }
        const auto previous = known.find(file.path);
        if (previous != known.end() && previous->second == file.state) {
            ++summary.filesUnchanged;
            continue;
        }
        const bool archive = IsArchiveName(BaseName(file.path));
        jobs.push_back({std::move(file.path), file.state, archive});
    }
    summary.filesSeen = seen.size();

    // The workers take jobs in order and hand back results; this thread stores them.
    std::atomic<std::size_t> nextJob{0};
    ResultQueue queue;
    unsigned threadCount =
        options.threads != 0 ? options.threads : std::thread::hardware_concurrency();
    threadCount = std::max(
        1u, std::min<unsigned>(threadCount,
                               static_cast<unsigned>(std::max<std::size_t>(jobs.size(), 1))));
    std::vector<std::jthread> workers;
    for (unsigned i = 0; i < threadCount; ++i) {
        workers.emplace_back([&] {
            try {
                std::unique_ptr<DemoDescriber> describer = describers_();
                Worker worker(*describer, options, isDemoExtension_, cancel);
                while (!cancel.load(std::memory_order_relaxed)) {
                    const std::size_t index = nextJob.fetch_add(1);
                    if (index >= jobs.size()) {
                        break;
                    }
                    queue.push(worker.read(jobs[index]));
                }
            } catch (const std::exception& error) {
                WorkResult failed;
                failed.store = false;
                failed.skips.push_back({"", "", std::string("worker stopped: ") + error.what()});
                queue.push(std::move(failed));
            }
            queue.workerDone();
        });
    }

    ScanProgress progress;
    progress.filesTotal = jobs.size();
    std::vector<ScannedFile> batch;
    auto lastStore = Clock::now();
    auto lastReport = Clock::time_point{};
    std::size_t workersDone = 0;
    const auto storeBatch = [&] {
        if (batch.empty()) {
            return;
        }
        database_.store(batch);
        batch.clear();
        lastStore = Clock::now();
    };
    const auto report = [&](bool force) {
        const auto now = Clock::now();
        if (!onProgress || (!force && now - lastReport < ProgressInterval)) {
            return;
        }
        lastReport = now;
        const double elapsed = std::chrono::duration<double>(now - started).count();
        progress.filesPerSecond =
            elapsed > 0 ? static_cast<double>(progress.filesDone) / elapsed : 0;
        progress.secondsLeft = progress.filesPerSecond > 0
                                   ? static_cast<double>(progress.filesTotal - progress.filesDone) /
                                         progress.filesPerSecond
                                   : 0;
        onProgress(progress);
    };

    try {
        while (true) {
            std::deque<WorkResult> results = queue.take(CollectInterval, workersDone);
            for (WorkResult& result : results) {
                for (ScanSkip& skip : result.skips) {
                    summary.skips.push_back(std::move(skip));
                }
                if (result.file.path.empty()) {
                    continue;
                }
                ++progress.filesDone;
                if (!result.store) {
                    continue;
                }
                ++summary.filesRead;
                progress.demosStored += result.file.demos.size();
                batch.push_back(std::move(result.file));
            }
            const bool finished = workersDone == threadCount && results.empty();
            if (batch.size() >= options.batchSize || (Clock::now() - lastStore > CommitInterval) ||
                finished) {
                storeBatch();
            }
            report(false);
            if (finished) {
                break;
            }
        }
    } catch (...) {
        // Stop the workers before the exception leaves: they use this frame.
        nextJob.store(jobs.size());
        workers.clear();
        throw;
    }
    workers.clear();
    summary.demosStored = progress.demosStored;
    summary.cancelled = cancel.load();

    // A file the walk did not see went away, unless its folder could not be
    // listed this time. A cancelled walk proves nothing.
    if (!summary.cancelled) {
        std::vector<std::string> gone;
        for (const auto& [path, state] : known) {
            if (seen.contains(path)) {
                continue;
            }
            bool underRoot = false;
            for (const std::string& root : roots) {
                underRoot = underRoot || IsUnder(path, root);
            }
            bool unlistedFolder = false;
            for (const std::string& folder : unlisted) {
                unlistedFolder = unlistedFolder || IsUnder(path, folder);
            }
            if (underRoot && !unlistedFolder) {
                gone.push_back(path);
            }
        }
        database_.markGone(gone);
        summary.filesGone = gone.size();
    }
    summary.seconds = std::chrono::duration<double>(Clock::now() - started).count();
    report(true);
    return summary;
}

} // namespace fenlark::library
