#include "core/FileStamp.h"

#include <algorithm>
#include <atomic>

#ifdef _WIN32
#include "core/TextConversion.h"

#include "core/WindowsApi.h"
#else
#include <sys/stat.h>
#include <time.h>
#endif

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

#ifdef _WIN32

// FILETIME counts 100 ns from 1601; file times and the wall clock both use it
// here, so only differences matter.
constexpr std::int64_t NanosecondsPerTick = 100;

std::int64_t Nanoseconds(std::int64_t ticks) {
    return ticks * NanosecondsPerTick;
}

std::int64_t Nanoseconds(FILETIME time) {
    ULARGE_INTEGER ticks{};
    ticks.LowPart = time.dwLowDateTime;
    ticks.HighPart = time.dwHighDateTime;
    return Nanoseconds(static_cast<std::int64_t>(ticks.QuadPart));
}

#else

std::int64_t Nanoseconds(const struct timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * NanosecondsPerSecond + time.tv_nsec;
}

#endif

} // namespace

#ifdef _WIN32

std::optional<FileStamp> StampOf(const std::string& path) {
    const std::wstring wide = Utf8ToWide(path);
    if (wide.empty()) {
        return std::nullopt;
    }
    // No access rights are asked for, only the attributes; a folder opens too.
    HANDLE handle =
        ::CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) { // NOLINT: the system's own constant
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    FILE_BASIC_INFO times{};
    const bool known = ::GetFileInformationByHandle(handle, &info) != 0;
    const bool timed =
        known && ::GetFileInformationByHandleEx(handle, FileBasicInfo, &times, sizeof times) != 0;
    ::CloseHandle(handle);
    if (!known) {
        return std::nullopt;
    }
    FileStamp stamp;
    stamp.device = info.dwVolumeSerialNumber;
    stamp.inode = (std::uint64_t{info.nFileIndexHigh} << 32U) | info.nFileIndexLow;
    stamp.size =
        static_cast<std::int64_t>((std::uint64_t{info.nFileSizeHigh} << 32U) | info.nFileSizeLow);
    stamp.modifiedNs = Nanoseconds(info.ftLastWriteTime);
    // The change time also moves on renames and attribute changes, as ctime does.
    stamp.changedNs = timed ? Nanoseconds(times.ChangeTime.QuadPart) : stamp.modifiedNs;
    return stamp;
}

std::int64_t WallClockNs() {
    FILETIME now{};
    ::GetSystemTimePreciseAsFileTime(&now);
    return Nanoseconds(now);
}

#else

std::optional<FileStamp> StampOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return FileStamp{static_cast<std::uint64_t>(info.st_dev),
                     static_cast<std::uint64_t>(info.st_ino),
                     static_cast<std::int64_t>(info.st_size), Nanoseconds(info.st_mtim),
                     Nanoseconds(info.st_ctim)};
}

std::int64_t WallClockNs() {
    struct timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return Nanoseconds(now);
}

#endif

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
