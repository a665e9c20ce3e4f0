#pragma once
// Lists the files under a folder, recursively, following links. A folder
// reached a second time (a link loop, or two links to one folder) is entered
// once; an entry that cannot be read gets a skip reason and the walk goes on.

#include "library/LibraryDatabase.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace fenlark::library {

struct WalkedFile {
    std::string path;
    FileState state;
};

struct WalkSkip {
    std::string path;
    std::string reason;
};

struct WalkResult {
    std::vector<WalkedFile> files;
    std::vector<WalkSkip> skips;
    // Folders whose content could not be listed: files the library knows
    // under them are not taken as gone.
    std::vector<std::string> unlistedFolders;
    std::size_t ignoredFiles = 0; // regular files whose names `wanted` refused
};

// `root` must be an absolute path of a folder. `wanted` sees a file's name
// (without folder) and says whether the file is listed. Stops early, with
// what it found so far, when `cancel` becomes true.
WalkResult WalkFolder(const std::string& root,
                      const std::function<bool(const std::string& name)>& wanted,
                      const std::atomic<bool>& cancel);

} // namespace fenlark::library
