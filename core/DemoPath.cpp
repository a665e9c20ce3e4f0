#include "core/DemoPath.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>

#ifdef _WIN32
#include "core/TextConversion.h"

#include "core/WindowsApi.h"
#else
#include <sys/stat.h>
#endif

namespace fenlark {

#ifdef _WIN32

namespace {

bool IsSlash(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// The name the system gives the folder once links are followed, without the
// "\\?\" prefix of the long form; "" when the folder cannot be opened.
std::wstring FinalFolderName(const std::wstring& folder) {
    HANDLE handle =
        ::CreateFileW(folder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) { // NOLINT: the system's own constant
        return {};
    }
    std::wstring name(MAX_PATH, L'\0');
    DWORD length = ::GetFinalPathNameByHandleW(handle, name.data(), static_cast<DWORD>(name.size()),
                                               FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length >= name.size()) {
        name.resize(length + 1);
        length = ::GetFinalPathNameByHandleW(handle, name.data(), static_cast<DWORD>(name.size()),
                                             FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    }
    ::CloseHandle(handle);
    if (length == 0 || length >= name.size()) {
        return {};
    }
    name.resize(length);
    if (name.starts_with(L"\\\\?\\UNC\\")) {
        return L"\\\\" + name.substr(8);
    }
    if (name.starts_with(L"\\\\?\\")) {
        return name.substr(4);
    }
    return name;
}

} // namespace

WindowsFolderCanonicalizer::WindowsFolderCanonicalizer() {
    const DWORD length = ::GetCurrentDirectoryW(0, nullptr);
    std::wstring current(length, L'\0');
    if (length > 0 && ::GetCurrentDirectoryW(length, current.data()) == length - 1) {
        current.resize(length - 1);
        current_ = WideToUtf8(current);
    }
    if (current_.empty()) {
        current_ = "C:\\";
    }
}

bool WindowsFolderCanonicalizer::setFolder(const std::string& folder) {
    if (folder.empty()) {
        return true;
    }
    const std::wstring wide = Utf8ToWide(folder);
    const std::wstring current = Utf8ToWide(current_);
    if (wide.empty()) {
        return false;
    }
    std::wstring candidate;
    const bool hasDrive = wide.size() >= 2 && wide[1] == L':';
    if (hasDrive || (wide.size() >= 2 && IsSlash(wide[0]) && IsSlash(wide[1]))) {
        candidate = wide; // "C:\x", "C:x" (that drive's own folder) or a network path
    } else if (IsSlash(wide[0])) {
        candidate = current.substr(0, current.size() >= 2 && current[1] == L':' ? 2 : 0) + wide;
    } else {
        candidate = current + L"\\" + wide;
    }
    // Dots and repeated separators go first, then links and letter case.
    const DWORD length = ::GetFullPathNameW(candidate.c_str(), 0, nullptr, nullptr);
    if (length == 0) {
        return false;
    }
    std::wstring full(length, L'\0');
    const DWORD written = ::GetFullPathNameW(candidate.c_str(), length, full.data(), nullptr);
    if (written == 0 || written >= length) {
        return false;
    }
    full.resize(written);
    const DWORD attributes = ::GetFileAttributesW(full.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return false;
    }
    const std::wstring final = FinalFolderName(full);
    current_ = WideToUtf8(final.empty() ? full : final);
    // A folder keeps no separator at its end, a drive's root keeps its one.
    while (current_.size() > 3 && (current_.back() == '\\' || current_.back() == '/')) {
        current_.pop_back();
    }
    return true;
}

#else

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

#endif

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

    const std::size_t lastSeparator =
        separator == '\\' ? path.find_last_of("\\/") : path.rfind(separator);
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
