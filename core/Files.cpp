#include "core/Files.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <filesystem>
#include <memory>
#include <utility>

#ifdef _WIN32
#include "core/TextConversion.h"

#include "core/WindowsApi.h"
#include <fcntl.h>
#include <io.h>
#include <stdlib.h>

#include <shellapi.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fenlark {

namespace {

constexpr std::size_t Chunk = std::size_t{1} << 16U;

} // namespace

#ifdef _WIN32

namespace {

constexpr DWORD ShareEverything = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE InvalidHandle() {
    return INVALID_HANDLE_VALUE; // NOLINT: the system's own constant
}

void SetErrnoFromSystem() {
    switch (::GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        errno = ENOENT;
        break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        errno = EACCES;
        break;
    default:
        errno = EIO;
        break;
    }
}

// A handle the system opened on a disk file that is not a folder: pipes,
// consoles, serial ports and other devices are refused.
bool IsRegularFileHandle(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    return ::GetFileType(handle) == FILE_TYPE_DISK &&
           ::GetFileInformationByHandle(handle, &info) != 0 &&
           (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Opens `path` with CreateFileW; -1 with errno set on failure. Everybody may
// go on reading, writing, renaming or deleting the file meanwhile, as on
// POSIX systems. Without FILE_FLAG_BACKUP_SEMANTICS a folder cannot be
// opened; the type check refuses devices. Opening never waits: a named pipe
// without a free instance fails at once.
int OpenHandleDescriptor(const std::string& path, DWORD disposition) {
    const std::wstring wide = Utf8ToWide(path);
    if (wide.empty()) {
        errno = ENOENT;
        return -1;
    }
    HANDLE handle = ::CreateFileW(wide.c_str(), GENERIC_READ, ShareEverything, nullptr, disposition,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == InvalidHandle()) {
        SetErrnoFromSystem();
        return -1;
    }
    if (!IsRegularFileHandle(handle)) {
        ::CloseHandle(handle);
        errno = ENODEV;
        return -1;
    }
    const int descriptor = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY);
    if (descriptor < 0) {
        ::CloseHandle(handle);
        errno = EMFILE;
    }
    return descriptor;
}

HANDLE HandleOf(int descriptor) {
    return reinterpret_cast<HANDLE>(::_get_osfhandle(descriptor));
}

// The volume and file number of what `path` names (a link is followed);
// std::nullopt when it cannot be opened even for its attributes.
std::optional<std::pair<DWORD, std::uint64_t>> IdentityOf(const std::string& path) {
    const std::wstring wide = Utf8ToWide(path);
    if (wide.empty()) {
        return std::nullopt;
    }
    // No access rights are asked for: only the attributes are read.
    HANDLE handle = ::CreateFileW(wide.c_str(), 0, ShareEverything, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == InvalidHandle()) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = ::GetFileInformationByHandle(handle, &info) != 0;
    ::CloseHandle(handle);
    if (!known) {
        return std::nullopt;
    }
    return std::pair{info.dwVolumeSerialNumber,
                     (std::uint64_t{info.nFileIndexHigh} << 32U) | info.nFileIndexLow};
}

} // namespace

int OpenRegularFile(const std::string& path) {
    return OpenHandleDescriptor(path, OPEN_EXISTING);
}

std::optional<std::uint64_t> OpenFileLength(int descriptor) {
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(HandleOf(descriptor), &size) == 0 || size.QuadPart < 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(size.QuadPart);
}

std::optional<std::size_t> ReadFileAt(int descriptor, std::uint64_t offset,
                                      std::span<std::uint8_t> into) {
    HANDLE handle = HandleOf(descriptor);
    std::size_t done = 0;
    while (done < into.size()) {
        // The offset rides in the OVERLAPPED block, so every read says where.
        const std::uint64_t at = offset + done;
        OVERLAPPED where{};
        where.Offset = static_cast<DWORD>(at & 0xFFFFFFFFU);
        where.OffsetHigh = static_cast<DWORD>(at >> 32U);
        const auto wanted =
            static_cast<DWORD>(std::min<std::size_t>(into.size() - done, MAXDWORD / 2));
        DWORD got = 0;
        if (::ReadFile(handle, into.data() + done, wanted, &got, &where) == 0) {
            if (::GetLastError() == ERROR_HANDLE_EOF) {
                break;
            }
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        done += got;
    }
    return done;
}

void CloseFile(int descriptor) {
    ::_close(descriptor);
}

int DuplicateDescriptor(int descriptor) {
    // Descriptors of the C library are not inherited by child processes
    // unless asked for, so a plain duplicate is enough.
    return ::_dup(descriptor);
}

std::FILE* StreamOverDescriptor(int descriptor) {
    return ::_fdopen(descriptor, "rb");
}

std::optional<std::uint64_t> CreateOrMeasureFile(const std::string& path) {
    int descriptor = OpenHandleDescriptor(path, OPEN_ALWAYS);
    if (descriptor < 0 && errno == EACCES) { // a read-only folder may still hold a readable file
        descriptor = OpenHandleDescriptor(path, OPEN_EXISTING);
    }
    if (descriptor < 0) {
        return std::nullopt;
    }
    const std::optional<std::uint64_t> length = OpenFileLength(descriptor);
    CloseFile(descriptor);
    return length;
}

bool IsSameFile(const std::string& first, const std::string& second) {
    const auto a = IdentityOf(first);
    const auto b = IdentityOf(second);
    return a && b && *a == *b;
}

std::FILE* OpenMemoryStream(const std::uint8_t* data, std::size_t size) {
    // The C library of Windows has no stream over memory: the bytes go to a
    // scratch file that the system deletes when the stream is closed.
    std::FILE* stream = OpenScratchStream();
    if (stream == nullptr) {
        return nullptr;
    }
    if ((size > 0 && std::fwrite(data, 1, size, stream) != size) ||
        std::fseek(stream, 0, SEEK_SET) != 0) {
        std::fclose(stream);
        return nullptr;
    }
    return stream;
}

std::FILE* OpenScratchStream() {
    std::wstring folder(MAX_PATH + 1, L'\0');
    const DWORD length = ::GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
    if (length == 0 || length > folder.size()) {
        return nullptr;
    }
    folder.resize(length);
    std::wstring name(MAX_PATH + 1, L'\0');
    if (::GetTempFileNameW(folder.c_str(), L"fen", 0, name.data()) == 0) {
        return nullptr;
    }
    name.resize(name.find(L'\0'));
    // "T" keeps the file in memory where it can, "D" deletes it on close.
    std::FILE* stream = ::_wfopen(name.c_str(), L"w+bTD");
    if (stream == nullptr) {
        ::DeleteFileW(name.c_str());
    }
    return stream;
}

std::vector<std::string> ProgramArguments(int argc, const char* const* argv) {
    std::vector<std::string> arguments;
    if (argv == __argv) {
        int count = 0;
        if (LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count)) {
            if (count == argc) {
                for (int i = 0; i < count; ++i) {
                    arguments.push_back(WideToUtf8(wide[i]));
                }
            }
            ::LocalFree(wide);
            if (!arguments.empty()) {
                return arguments;
            }
        }
    }
    for (int i = 0; i < argc; ++i) {
        arguments.emplace_back(argv[i] != nullptr ? argv[i] : "");
    }
    return arguments;
}

std::string ProgramFolder(const char* argv0) {
    std::wstring executable(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, executable.data(), static_cast<DWORD>(executable.size()));
        if (length == 0) {
            executable.clear();
            break;
        }
        if (length < executable.size()) {
            executable.resize(length);
            break;
        }
        executable.resize(executable.size() * 2); // cut short: a longer path
    }
    if (executable.empty()) {
        std::error_code error;
        const std::filesystem::path fallback = std::filesystem::weakly_canonical(
            std::filesystem::path(Utf8ToWide(argv0 != nullptr ? argv0 : "")), error);
        return WideToUtf8(fallback.parent_path().wstring());
    }
    return WideToUtf8(std::filesystem::path(executable).parent_path().wstring());
}

#else // POSIX

int OpenRegularFile(const std::string& path) {
    // O_NONBLOCK keeps the open of a FIFO without a writer from waiting; the
    // type check then refuses everything but a regular file, where the flag
    // has no effect on reading.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (descriptor < 0) {
        return -1;
    }
    struct stat info {};
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(descriptor);
        errno = ENODEV;
        return -1;
    }
    return descriptor;
}

std::optional<std::uint64_t> OpenFileLength(int descriptor) {
    struct stat info {};
    if (::fstat(descriptor, &info) != 0 || info.st_size < 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(info.st_size);
}

std::optional<std::size_t> ReadFileAt(int descriptor, std::uint64_t offset,
                                      std::span<std::uint8_t> into) {
    std::size_t done = 0;
    while (done < into.size()) {
        const ssize_t got = ::pread(descriptor, into.data() + done, into.size() - done,
                                    static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

void CloseFile(int descriptor) {
    ::close(descriptor);
}

int DuplicateDescriptor(int descriptor) {
    return ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
}

std::FILE* StreamOverDescriptor(int descriptor) {
    return ::fdopen(descriptor, "rb");
}

std::optional<std::uint64_t> CreateOrMeasureFile(const std::string& path) {
    constexpr mode_t NewFileMode = 0666;
    constexpr int Flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    int descriptor = ::open(path.c_str(), Flags | O_CREAT, NewFileMode);
    if (descriptor < 0) { // a read-only folder may still hold a readable file
        descriptor = ::open(path.c_str(), Flags);
    }
    if (descriptor < 0) {
        return std::nullopt;
    }
    struct stat info {};
    const int result = ::fstat(descriptor, &info);
    ::close(descriptor);
    if (result != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(info.st_size);
}

bool IsSameFile(const std::string& first, const std::string& second) {
    struct stat a {};
    struct stat b {};
    return ::stat(first.c_str(), &a) == 0 && ::stat(second.c_str(), &b) == 0 &&
           a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::FILE* OpenMemoryStream(const std::uint8_t* data, std::size_t size) {
    return ::fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
}

std::FILE* OpenScratchStream() {
    return std::tmpfile();
}

std::vector<std::string> ProgramArguments(int argc, const char* const* argv) {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.emplace_back(argv[i] != nullptr ? argv[i] : "");
    }
    return arguments;
}

std::string ProgramFolder(const char* argv0) {
    std::error_code error;
    std::filesystem::path executable = std::filesystem::canonical("/proc/self/exe", error);
    if (error) {
        executable = std::filesystem::weakly_canonical(argv0 != nullptr ? argv0 : "", error);
    }
    return executable.parent_path().string();
}

#endif

std::filesystem::path PathFromUtf8(const std::string& path) {
#ifdef _WIN32
    return {Utf8ToWide(path)};
#else
    return {path};
#endif
}

std::string Utf8FromPath(const std::filesystem::path& path) {
#ifdef _WIN32
    return WideToUtf8(path.wstring());
#else
    return path.string();
#endif
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    const int descriptor = OpenRegularFile(path);
    if (descriptor < 0) {
        return std::nullopt;
    }
    // Closes the file however the reading ends (an allocation may fail).
    const std::unique_ptr<const int, void (*)(const int*)> closer(
        &descriptor, [](const int* open) { CloseFile(*open); });
    std::string content;
    // Sized once from the file's length, so a large file is not copied while
    // the buffer grows; a file that grows meanwhile is still read to its end.
    const std::optional<std::uint64_t> length = OpenFileLength(descriptor);
    if (length && *length > 0 && *length < content.max_size()) {
        content.reserve(static_cast<std::size_t>(*length) + 1);
    }
    for (;;) {
        const std::size_t filled = content.size();
        const std::size_t room = content.capacity() > filled ? content.capacity() - filled : Chunk;
        content.resize(filled + room);
        const std::optional<std::size_t> got =
            ReadFileAt(descriptor, filled,
                       std::span<std::uint8_t>(
                           reinterpret_cast<std::uint8_t*>(content.data()) + filled, room));
        content.resize(filled + got.value_or(0));
        if (!got) {
            return std::nullopt;
        }
        if (*got < room) {
            return content;
        }
    }
}

bool IsReadableFile(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    const int descriptor = OpenRegularFile(path);
    if (descriptor < 0) {
        return false;
    }
    CloseFile(descriptor);
    return true;
}

} // namespace fenlark
