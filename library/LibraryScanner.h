#pragma once
// Brings the library up to date with folders on disk: walks them, reads every
// demo file and archive whose path, size or modification time changed since
// the last scan on a pool of worker threads, and stores the results from the
// calling thread in batches, one transaction each. Demos whose files went
// away are marked missing. Progress is reported and the scan can be cancelled
// at any moment; what was stored before stays stored.

#include "library/DemoDescriber.h"
#include "library/LibraryDatabase.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fenlark::library {

struct ScanOptions {
    static constexpr std::uint64_t DefaultMaxMemberBytes = 256ULL << 20;
    static constexpr std::size_t DefaultBatchSize = 500;

    std::vector<std::string> folders; // folders to scan, recursively
    unsigned threads = 0;             // 0: one per processor core
    std::uint64_t maxMemberBytes = DefaultMaxMemberBytes;
    std::size_t batchSize = DefaultBatchSize; // files per transaction
};

struct ScanProgress {
    std::size_t filesDone = 0;
    std::size_t filesTotal = 0; // files to read (changed or new)
    std::size_t demosStored = 0;
    double filesPerSecond = 0;
    double secondsLeft = 0;
};

struct ScanSkip {
    std::string path;
    std::string member; // "" for the file itself
    std::string reason;
};

struct ScanSummary {
    std::size_t filesSeen = 0;      // demo and archive files found by the walk
    std::size_t filesUnchanged = 0; // not read again
    std::size_t filesRead = 0;
    std::size_t demosStored = 0;
    std::size_t filesGone = 0;
    std::size_t filesIgnored = 0; // files that are neither demos nor archives
    std::vector<ScanSkip> skips;
    bool cancelled = false;
    double seconds = 0;
};

class LibraryScanner {
public:
    // `isDemoExtension` sees a lower-case extension (without the dot).
    LibraryScanner(LibraryDatabase& database, DescriberFactory describers,
                   std::function<bool(const std::string& extension)> isDemoExtension);

    // Throws LibraryError when a folder is not a readable folder (before any
    // change) or the database fails.
    ScanSummary scan(const ScanOptions& options,
                     const std::function<void(const ScanProgress&)>& onProgress,
                     const std::atomic<bool>& cancel);

private:
    LibraryDatabase& database_;
    DescriberFactory describers_;
    std::function<bool(const std::string&)> isDemoExtension_;
};

// The lower-case text after the last "." of a file name, "" when none.
std::string LowerExtension(const std::string& name);

} // namespace fenlark::library
