#pragma once
// The list of game-definition files ("*.kgd") of the definitions folder, in
// the order they are tried, with the current definition as its selection.

#include <optional>
#include <string>
#include <vector>

namespace fenlark {

class DefinitionList {
public:
    static constexpr std::size_t MaxFiles = 32767;

    // Points the list at `folder` and reads its "*.kgd" files: names only,
    // hidden files left out, sorted by name ignoring letter case. A missing
    // folder leaves the list empty. The selection is cleared.
    void setFolder(const std::string& folder);

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
