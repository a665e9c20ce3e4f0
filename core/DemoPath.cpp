#include "core/DemoPath.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

namespace fenlark {

PosixFolderCanonicalizer::PosixFolderCanonicalizer() {
    std::error_code error;
    current_ = std::filesystem::current_path(error).string();
    if (current_.empty()) {
        current_ = "/";
    }
}

bool PosixFolderCanonicalizer::setFolder(const std::string& folder) {
    if (folder.empty()) {
        return true;
    }
    const std::string candidate = folder.front() == '/' ? folder : current_ + "/" + folder;
    char resolved[PATH_MAX];
    if (realpath(candidate.c_str(), resolved) == nullptr) {
        return false;
    }
    struct stat info {};
    if (stat(resolved, &info) != 0 || !S_ISDIR(info.st_mode)) {
        return false;
    }
    current_ = resolved;
    return true;
}

namespace {

void RemoveQuotes(std::string& path) {
    const bool first = path.front() == '"';
    const bool last = path.back() == '"';
    if (first && last) {
        // One quotation mark alone cannot lose two characters: it stays.
        if (path.size() >= 2) {
            path = path.substr(1, path.size() - 2);
        }
    } else if (first) {
        path.erase(0, 1);
    } else if (last) {
        path.pop_back();
    }
}

} // namespace

bool NormalizeDemoPath(std::string& path, FolderCanonicalizer& canonicalizer, char separator) {
    if (path.empty()) {
        return true;
    }
    RemoveQuotes(path);
    if (path.empty()) {
        return true;
    }

    const std::size_t lastSeparator = path.rfind(separator);
    const std::size_t folderLength = lastSeparator == std::string::npos ? 0 : lastSeparator + 1;
    const std::string folderPart = path.substr(0, folderLength);
    const std::string filePart = path.substr(folderLength);

    const bool accepted = canonicalizer.setFolder(folderPart);
    std::string folder = canonicalizer.folder();
    // A root is reported with its separator ("/" or "C:\"); the join below adds
    // the one separator it keeps.
    if (!folder.empty() && folder.back() == separator) {
        folder.pop_back();
    }
    path = folder + separator + filePart;
    return accepted;
}

} // namespace fenlark
