#include "core/Files.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace fenlark {

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

bool IsReadableFile(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    const std::ifstream file(path, std::ios::binary);
    return file.good() && ::access(path.c_str(), R_OK) == 0;
}

std::string ProgramFolder(const char* argv0) {
    std::error_code error;
    std::filesystem::path executable = std::filesystem::canonical("/proc/self/exe", error);
    if (error) {
        executable = std::filesystem::weakly_canonical(argv0 != nullptr ? argv0 : "", error);
    }
    return executable.parent_path().string();
}

} // namespace fenlark
