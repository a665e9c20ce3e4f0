#pragma once
// A temporary folder laid out like an installation: bin/ (the program
// folder), Data/ (definitions) and the language text table beside them.

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace fenlark::test {

class TempFolder {
public:
    TempFolder() {
#ifdef _WIN32
        // No mkdtemp: a random name, taken only when the folder is new.
        std::random_device random;
        do {
            root_ = std::filesystem::temp_directory_path() /
                    ("fenlark-test-" + std::to_string(random()) + std::to_string(random()));
        } while (!std::filesystem::create_directory(root_));
#else
        std::string pattern =
            (std::filesystem::temp_directory_path() / "fenlark-test-XXXXXX").string();
        root_ = mkdtemp(pattern.data());
#endif
        std::filesystem::create_directories(root_ / "bin");
        std::filesystem::create_directories(root_ / "Data");
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::filesystem::path root() const {
        return root_;
    }
    std::string programFolder() const {
        return (root_ / "bin").string();
    }
    std::string path(const std::string& relative) const {
        return (root_ / relative).string();
    }

    // Writes a file below the root (bytes as given) and returns its path.
    std::string write(const std::string& relative, const std::string& content) const {
        const auto file = root_ / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << content;
        return file.string();
    }
    std::string writeDefinition(const std::string& name, const std::string& content) const {
        return write("Data/" + name, content);
    }
    // Copies the shipped language table next to bin/.
    void installLanguageTable(const std::string& sourceTable) const {
        std::filesystem::copy_file(sourceTable, root_ / "fenlark-texts.lng",
                                   std::filesystem::copy_options::overwrite_existing);
    }

private:
    std::filesystem::path root_;
};

} // namespace fenlark::test
