#include "core/InstallLayout.h"

#include "core/Files.h"

#include <filesystem>
#include <system_error>

#ifndef FENLARK_INSTALLED_SHARED_SUBFOLDER
#define FENLARK_INSTALLED_SHARED_SUBFOLDER "share/fenlark"
#endif

namespace fenlark {

std::string SharedFilesFolder(const std::string& programFolder) {
    const std::string above = programFolder + "/../";
    const std::string installed = above + FENLARK_INSTALLED_SHARED_SUBFOLDER + "/";
    std::error_code error;
    if (std::filesystem::is_directory(PathFromUtf8(installed), error)) {
        return installed;
    }
    return above;
}

std::string DefaultDefinitionsFolder(const std::string& programFolder) {
    return SharedFilesFolder(programFolder) + "Data/";
}

} // namespace fenlark
