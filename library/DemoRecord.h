#pragma once
// One row of the demo library: where a demo lives, the file facts a re-scan
// compares, and what the loading flow found in it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fenlark::library {

// A demo is a file on disk, or a member of an archive file on disk.
struct DemoLocation {
    std::string path;   // absolute path of the file on disk
    std::string member; // path inside the archive, "" for a plain file

    bool inArchive() const { return !member.empty(); }
    bool operator==(const DemoLocation&) const = default;
};

enum class DateSource : std::uint8_t { Demo, File };

// What describing one demo yields. Text is UTF-8 display text; a fact the demo
// does not hold stays empty.
struct DemoInfo {
    std::string game;
    std::string demoType;
    std::string protocol;
    std::string map;
    std::string server;
    std::string mod;
    std::vector<std::string> players;
    std::string recorder;
    std::optional<std::int64_t> durationMs;
    std::optional<std::int32_t> scoreRed;
    std::optional<std::int32_t> scoreBlue;
    std::string winner;
    std::string chat; // searchable chat text, one line per message
    // The demo's own recording time (seconds since 1970, UTC), when it holds one.
    std::optional<std::int64_t> demoTime;
    // The text of the message the window would have shown, "" when none.
    std::string message;
};

struct DemoRecord {
    DemoLocation location;
    DemoInfo info;
    std::uint64_t size = 0; // bytes of the demo itself (the member for an archive)
    std::int64_t date = 0;  // seconds since 1970, UTC
    DateSource dateSource = DateSource::File;
    bool missing = false;
};

} // namespace fenlark::library
