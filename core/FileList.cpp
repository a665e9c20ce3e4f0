#include "core/FileList.h"

#include "core/FileStamp.h"
#include "core/Files.h"
#include "core/TextCase.h"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <unordered_map>

namespace fenlark {

namespace {

struct Listing {
    std::vector<std::string> files;
    // A link's target can change without the folder changing: a listing that
    // saw one is not kept.
    bool sawLink = false;
};

Listing ListFolder(const std::string& folder, std::string_view extension) {
    Listing listing;
    std::error_code error;
    std::filesystem::directory_iterator entries(PathFromUtf8(folder), error);
    if (error) {
        return listing;
    }
    for (const auto& entry : entries) {
        const std::string name = Utf8FromPath(entry.path().filename());
        // Hidden files are left out, as a file list of the platform does.
        if (name.empty() || name.front() == '.' || name.size() < extension.size() ||
            !EqualIgnoringCase(std::string_view(name).substr(name.size() - extension.size()),
                               extension)) {
            continue;
        }
        std::error_code typeError;
        if (entry.is_symlink(typeError) || typeError) {
            listing.sawLink = true;
        }
        if (!entry.is_regular_file(typeError)) {
            continue;
        }
        listing.files.push_back(name);
    }
    std::stable_sort(listing.files.begin(), listing.files.end(),
                     [](const std::string& a, const std::string& b) {
                         if (LessIgnoringCase(a, b)) {
                             return true;
                         }
                         if (LessIgnoringCase(b, a)) {
                             return false;
                         }
                         return a < b; // same name but for case: a fixed order all the same
                     });
    if (listing.files.size() > FileList::MaxFiles) {
        listing.files.resize(FileList::MaxFiles);
    }
    return listing;
}

// The last listing of each folder, reused while the folder's stamp is the one
// it had when listed: adding, removing or renaming a file changes the folder's
// times. Every demo a window or a batch loads lists the definitions folder, so
// this spares a directory read per demo.
class ListingCache {
public:
    std::vector<std::string> list(const std::string& folder, std::string_view extension) {
        const std::string key = folder + '\0' + std::string(extension);
        const std::optional<FileStamp> before = StampOf(folder);
        if (before) {
            const std::lock_guard lock(mutex_);
            if (auto found = listings_.find(key);
                found != listings_.end() && found->second.stamp == *before) {
                return found->second.files;
            }
        }
        const std::int64_t readAt = WallClockNs();
        Listing listing = ListFolder(folder, extension);
        const std::optional<FileStamp> after = StampOf(folder);
        const std::lock_guard lock(mutex_);
        if (listing.sawLink || !before || !after || *after != *before ||
            IsRecentChange(*after, readAt)) {
            listings_.erase(key);
            return std::move(listing.files);
        }
        if (listings_.size() >= MaxFolders) {
            listings_.clear();
        }
        listings_.insert_or_assign(key, Entry{*after, listing.files});
        return std::move(listing.files);
    }

private:
    static constexpr std::size_t MaxFolders = 64;

    struct Entry {
        FileStamp stamp;
        std::vector<std::string> files;
    };
    std::mutex mutex_;
    std::unordered_map<std::string, Entry> listings_;
};

} // namespace

void FileList::setFolder(const std::string& folder, std::string_view extension) {
    static ListingCache cache;
    folder_ = folder;
    selected_.reset();
    files_ = cache.list(folder, extension);
}

std::string FileList::selectedName() const {
    if (!selected_ || *selected_ >= files_.size()) {
        return {};
    }
    return files_[*selected_];
}

} // namespace fenlark
