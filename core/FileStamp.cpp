#include "core/FileStamp.h"

#include <algorithm>
#include <atomic>
#include <sys/stat.h>
#include <time.h>

namespace fenlark {

namespace {

constexpr std::int64_t NanosecondsPerSecond = 1'000'000'000;
// Covers the kernel's coarse clock and file systems that keep two-second or
// one-second times.
constexpr std::int64_t DefaultRecentChangeNs = 3 * NanosecondsPerSecond;

std::atomic<std::int64_t>& RecentChangeNs() {
    static std::atomic<std::int64_t> window{DefaultRecentChangeNs};
    return window;
}

std::int64_t Nanoseconds(const struct timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * NanosecondsPerSecond + time.tv_nsec;
}

} // namespace

std::optional<FileStamp> StampOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return FileStamp{info.st_dev, info.st_ino, info.st_size, Nanoseconds(info.st_mtim),
                     Nanoseconds(info.st_ctim)};
}

std::int64_t WallClockNs() {
    struct timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return Nanoseconds(now);
}

bool IsRecentChange(const FileStamp& stamp, std::int64_t readAtNs) {
    return std::max(stamp.modifiedNs, stamp.changedNs) > readAtNs - RecentChangeWindowNs();
}

void SetRecentChangeWindowNs(std::int64_t window) {
    RecentChangeNs().store(window, std::memory_order_relaxed);
}

std::int64_t RecentChangeWindowNs() {
    return RecentChangeNs().load(std::memory_order_relaxed);
}

} // namespace fenlark
