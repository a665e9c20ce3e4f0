#pragma once
// Symbolic links in tests, on every system. The C++ library of MinGW makes
// none on Windows, so the system is asked directly there; Windows may still
// refuse (links need a privilege or developer mode), which MakeSymlink
// reports as false.

#include <filesystem>
#include <string>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

namespace fenlark::test {

inline bool IsSymlink(const std::string& path) {
#ifdef _WIN32
    const DWORD attributes = ::GetFileAttributesW(std::filesystem::path(path).wstring().c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
#else
    return std::filesystem::is_symlink(path);
#endif
}

inline bool MakeSymlink(const std::string& target, const std::string& link) {
#ifdef _WIN32
    const std::wstring from = std::filesystem::path(link).wstring();
    const std::wstring to = std::filesystem::path(target).wstring();
    // Some systems (Wine among them) answer success without making a link:
    // only a link that is there counts.
    return ::CreateSymbolicLinkW(from.c_str(), to.c_str(),
                                 SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) != 0 &&
           IsSymlink(link);
#else
    std::error_code error;
    std::filesystem::create_symlink(target, link, error);
    return !error;
#endif
}

} // namespace fenlark::test
