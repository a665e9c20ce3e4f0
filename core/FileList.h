#pragma once
// A hidden file list box: the files of one folder that carry one extension,
// in name order, with a selection. The session's list of game definitions
// (lstKgd) is one; its selection is the current definition.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fenlark {

class FileList {
public:
    static constexpr std::size_t MaxFiles = 32767;

    // Points the list at `folder` and reads the names of its regular files
    // that end in `extension` (".kgd"; letter case ignored): hidden files left
    // out, sorted by name ignoring letter case. A missing folder leaves the
    // list empty. The selection is cleared.
    void setFolder(const std::string& folder, std::string_view extension);

    const std::string& folder() const { return folder_; }
    const std::vector<std::string>& files() const { return files_; }

    void select(std::size_t index) { selected_ = index; }
    std::optional<std::size_t> selected() const { return selected_; }
    // The selected file name, or "".
    std::string selectedName() const;

private:
    std::string folder_;
    std::vector<std::string> files_;
    std::optional<std::size_t> selected_;
};

} // namespace fenlark
