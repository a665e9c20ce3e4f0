#pragma once
// What identifies one version of a file or folder on disk, for caches that
// keep what they read from it until it changes.
//
// A stamp alone cannot tell two changes apart that fall in one tick of the
// file system's clock (the kernel stamps files from a coarse clock, and some
// file systems keep whole seconds only). A cache therefore trusts a stamp only
// when the file had not changed for a while when it was read; a file read
// sooner after a change is "recent" and must be checked by its content.

#include <cstdint>
#include <optional>
#include <string>

namespace fenlark {

struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0; // the file number, on Windows the file index
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0; // status change: also moves on chmod, rename, link
    bool operator==(const FileStamp&) const = default;
};

// The stamp of what `path` names (links followed), or std::nullopt.
std::optional<FileStamp> StampOf(const std::string& path);

// The wall clock in nanoseconds since the epoch, the clock file times use.
std::int64_t WallClockNs();

// True when `stamp` is too close to `readAtNs` (or later) for a later equal
// stamp to prove that nothing changed after the read.
bool IsRecentChange(const FileStamp& stamp, std::int64_t readAtNs);

// How close counts as recent (3 s unless changed). Tests set 0 to see a
// stamp decide alone about files they have just written.
void SetRecentChangeWindowNs(std::int64_t window);
std::int64_t RecentChangeWindowNs();

} // namespace fenlark
