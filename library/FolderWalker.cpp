#include "library/FolderWalker.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace fenlark::library {

namespace {

constexpr std::int64_t NanosecondsPerSecond = 1'000'000'000;

std::int64_t ModificationNs(const struct stat& info) {
    return static_cast<std::int64_t>(info.st_mtim.tv_sec) * NanosecondsPerSecond +
           static_cast<std::int64_t>(info.st_mtim.tv_nsec);
}

std::string ErrorText(int error) {
    return std::strerror(error);
}

class Walker {
public:
    Walker(const std::function<bool(const std::string&)>& wanted, const std::atomic<bool>& cancel)
        : wanted_(wanted), cancel_(cancel) {}

    WalkResult run(const std::string& root) {
        pending_.push_back(root);
        while (!pending_.empty() && !cancel_.load(std::memory_order_relaxed)) {
            std::string folder = std::move(pending_.back());
            pending_.pop_back();
            listFolder(folder);
        }
        return std::move(result_);
    }

private:
    void skipFolder(const std::string& folder, std::string reason) {
        result_.skips.push_back({folder, std::move(reason)});
        result_.unlistedFolders.push_back(folder);
    }

    void listFolder(const std::string& folder) {
        const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (descriptor < 0) {
            skipFolder(folder, "cannot open folder: " + ErrorText(errno));
            return;
        }
        struct stat info {};
        if (::fstat(descriptor, &info) != 0) {
            skipFolder(folder, "cannot read folder: " + ErrorText(errno));
            ::close(descriptor);
            return;
        }
        if (!visited_.emplace(info.st_dev, info.st_ino).second) {
            // Its files are listed under the path that reached it first.
            result_.skips.push_back({folder, "folder already scanned (reached again by a link)"});
            ::close(descriptor);
            return;
        }
        DIR* listing = ::fdopendir(descriptor);
        if (listing == nullptr) {
            skipFolder(folder, "cannot list folder: " + ErrorText(errno));
            ::close(descriptor);
            return;
        }
        std::vector<std::string> subfolders;
        errno = 0;
        while (const dirent* entry = ::readdir(listing)) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..") {
                continue;
            }
            visitEntry(descriptor, folder, name, subfolders);
            errno = 0;
        }
        if (errno != 0) {
            skipFolder(folder, "listing stopped early: " + ErrorText(errno));
        }
        ::closedir(listing);
        // Walked depth first, in the order the folder lists them.
        for (auto it = subfolders.rbegin(); it != subfolders.rend(); ++it) {
            pending_.push_back(std::move(*it));
        }
    }

    void visitEntry(int folderDescriptor, const std::string& folder, const std::string& name,
                    std::vector<std::string>& subfolders) {
        const std::string path = folder == "/" ? "/" + name : folder + "/" + name;
        struct stat info {};
        if (::fstatat(folderDescriptor, name.c_str(), &info, 0) != 0) {
            const int error = errno;
            struct stat link {};
            const bool dangling =
                ::fstatat(folderDescriptor, name.c_str(), &link, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISLNK(link.st_mode);
            if (dangling && error == ENOENT) {
                return; // a link to nothing: there is no file to index
            }
            if (error == ELOOP) {
                result_.skips.push_back({path, "link loop"});
                return;
            }
            if (wanted_(name)) {
                result_.skips.push_back({path, "cannot read: " + ErrorText(error)});
            }
            return;
        }
        if (S_ISDIR(info.st_mode)) {
            subfolders.push_back(path);
            return;
        }
        if (!wanted_(name)) {
            if (S_ISREG(info.st_mode)) {
                ++result_.ignoredFiles;
            }
            return;
        }
        if (!S_ISREG(info.st_mode)) {
            result_.skips.push_back({path, "not a regular file"});
            return;
        }
        result_.files.push_back(
            {path, FileState{static_cast<std::uint64_t>(info.st_size), ModificationNs(info)}});
    }

    const std::function<bool(const std::string&)>& wanted_;
    const std::atomic<bool>& cancel_;
    std::vector<std::string> pending_;
    std::set<std::pair<dev_t, ino_t>> visited_;
    WalkResult result_;
};

} // namespace

WalkResult WalkFolder(const std::string& root,
                      const std::function<bool(const std::string& name)>& wanted,
                      const std::atomic<bool>& cancel) {
    return Walker(wanted, cancel).run(root);
}

} // namespace fenlark::library
