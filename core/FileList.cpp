#include "core/FileList.h"

#include "core/TextCase.h"

#include <algorithm>
#include <filesystem>

namespace fenlark {

void FileList::setFolder(const std::string& folder, std::string_view extension) {
    folder_ = folder;
    files_.clear();
    selected_.reset();
    std::error_code error;
    std::filesystem::directory_iterator entries(folder, error);
    if (error) {
        return;
    }
    for (const auto& entry : entries) {
        const std::string name = entry.path().filename().string();
        // Hidden files are left out, as a file list of the platform does.
        if (name.empty() || name.front() == '.' || name.size() < extension.size() ||
            !EqualIgnoringCase(std::string_view(name).substr(name.size() - extension.size()),
                               extension)) {
            continue;
        }
        std::error_code typeError;
        if (!entry.is_regular_file(typeError)) {
            continue;
        }
        files_.push_back(name);
    }
    std::stable_sort(files_.begin(), files_.end(), [](const std::string& a, const std::string& b) {
        if (LessIgnoringCase(a, b)) {
            return true;
        }
        if (LessIgnoringCase(b, a)) {
            return false;
        }
        return a < b; // same name but for case: a fixed order all the same
    });
    if (files_.size() > MaxFiles) {
        files_.resize(MaxFiles);
    }
}

std::string FileList::selectedName() const {
    if (!selected_ || *selected_ >= files_.size()) {
        return {};
    }
    return files_[*selected_];
}

} // namespace fenlark
