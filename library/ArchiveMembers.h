#pragma once
// Reads the members of an archive file in place, through libarchive: each
// wanted member is decompressed into memory (up to a size bound) and handed
// over; nothing is written to disk. Zip, 7-Zip and tar (plain or compressed)
// archives hold many members; a file compressed on its own (.gz, .bz2, .xz)
// holds one, named like the file without the compression suffix.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace fenlark::library {

// True for the names of files read as archives (letter case ignored).
bool IsArchiveName(const std::string& name);

struct ArchiveMember {
    std::string name;
    std::vector<std::uint8_t> bytes;
    std::optional<std::int64_t> mtime; // seconds since 1970, when the archive records it
};

struct ArchiveCallbacks {
    // Sees a member's name (its path inside the archive); false skips it unread.
    std::function<bool(const std::string& name)> wanted;
    std::function<void(ArchiveMember&& member)> member;
    std::function<void(const std::string& name, const std::string& reason)> skipped;
    // Polled between members; true stops the reading.
    std::function<bool()> cancelled;
};

// Reads the archive at `path`. Returns "" when it was read to its end (or
// cancelled), else the reason it could not be: a damaged or unknown archive
// still hands over the members read before the damage.
std::string ReadArchiveMembers(const std::string& path, std::uint64_t maxMemberBytes,
                               const ArchiveCallbacks& callbacks);

} // namespace fenlark::library
