#include "demolog/DemoLog.h"

#include "core/DateTimeText.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <ctime>

#ifdef _WIN32
#include "core/TextConversion.h"

#include "core/WindowsApi.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fenlark {

namespace {

// The first header line replaces what the file held; every further line is
// appended.
enum class LogOpening { Replace, Append };

#ifdef _WIN32

constexpr DWORD ShareEverything = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::string SystemReason(DWORD error) {
    std::array<wchar_t, 512> text{};
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                         0, text.data(), static_cast<DWORD>(text.size()), nullptr);
    std::string reason = WideToUtf8(std::wstring(text.data(), length));
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                               reason.back() == ' ' || reason.back() == '.')) {
        reason.pop_back();
    }
    return reason.empty() ? "system error " + std::to_string(error) : reason;
}

HANDLE InvalidHandle() {
    return INVALID_HANDLE_VALUE; // NOLINT: the system's own constant
}

// Opens the log for writing, creating it when missing. Only a disk file is
// written to: a console, pipe or other device at the name is refused, and a
// folder cannot be opened this way at all.
HANDLE OpenLogFile(const std::string& logPath, LogOpening opening) {
    const std::wstring wide = Utf8ToWide(logPath);
    const DWORD access = opening == LogOpening::Append ? FILE_APPEND_DATA : GENERIC_WRITE;
    HANDLE file = wide.empty() ? InvalidHandle()
                               : ::CreateFileW(wide.c_str(), access, ShareEverything, nullptr,
                                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == InvalidHandle()) {
        throw LogWriteError(SystemReason(wide.empty() ? ERROR_INVALID_NAME : ::GetLastError()));
    }
    if (::GetFileType(file) != FILE_TYPE_DISK) {
        ::CloseHandle(file);
        throw LogWriteError("the name belongs to something that is not a file");
    }
    if (opening == LogOpening::Replace && ::SetEndOfFile(file) == 0) {
        const DWORD error = ::GetLastError();
        ::CloseHandle(file);
        throw LogWriteError(SystemReason(error));
    }
    return file;
}

void WriteLine(HANDLE file, const std::string& line) {
    std::size_t written = 0;
    while (written < line.size()) {
        const auto chunk =
            static_cast<DWORD>(std::min<std::size_t>(line.size() - written, MAXDWORD));
        DWORD done = 0;
        const bool wrote = ::WriteFile(file, line.data() + written, chunk, &done, nullptr) != 0;
        if (!wrote || done == 0) {
            const DWORD error = wrote ? ERROR_WRITE_FAULT : ::GetLastError();
            ::CloseHandle(file);
            throw LogWriteError(SystemReason(error));
        }
        written += done;
    }
    if (::CloseHandle(file) == 0) {
        throw LogWriteError(SystemReason(::GetLastError()));
    }
}

// Leaves anything but a file or a link alone: deleting a folder or device
// that happens to carry the chosen name would harm what the user owns.
void RemoveOldLog(const std::string& logPath) {
    const std::wstring wide = Utf8ToWide(logPath);
    const DWORD attributes =
        wide.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return; // nothing there (or not reachable: the first line tells)
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        throw LogWriteError("the name belongs to a folder");
    }
    // A device name ("NUL", "COM1") answers to the attribute query too; only
    // a name whose link itself is a disk file is deleted.
    HANDLE file = ::CreateFileW(wide.c_str(), 0, ShareEverything, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    const bool onDisk = file != InvalidHandle() && ::GetFileType(file) == FILE_TYPE_DISK;
    if (file != InvalidHandle()) {
        ::CloseHandle(file);
    }
    if (!onDisk) {
        throw LogWriteError("the name belongs to a device, FIFO or socket");
    }
    ::DeleteFileW(wide.c_str());
}

#else

constexpr mode_t NewFileMode = 0666;

std::string SystemReason(int error) {
    return std::strerror(error);
}

// Opens the log for writing. The open never waits (a FIFO without reader
// fails at once) and only a regular file is written to.
int OpenLogFile(const std::string& logPath, LogOpening opening) {
    const int extraFlags = opening == LogOpening::Append ? O_APPEND : O_TRUNC;
    const int fd =
        ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | extraFlags,
               NewFileMode);
    if (fd < 0) {
        throw LogWriteError(SystemReason(errno));
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw LogWriteError("the name belongs to something that is not a file");
    }
    return fd;
}

void WriteLine(int fd, const std::string& line) {
    std::size_t written = 0;
    while (written < line.size()) {
        const ssize_t result = ::write(fd, line.data() + written, line.size() - written);
        if (result < 0 && errno == EINTR) {
            continue;
        }
        if (result <= 0) {
            const int error = result < 0 ? errno : EIO;
            ::close(fd);
            throw LogWriteError(SystemReason(error));
        }
        written += static_cast<std::size_t>(result);
    }
    if (::close(fd) != 0) {
        throw LogWriteError(SystemReason(errno));
    }
}

// Leaves anything but a regular file or a link alone: deleting a folder,
// device, FIFO or socket that happens to carry the chosen name would harm
// what the user owns.
void RemoveOldLog(const std::string& logPath) {
    struct stat info {};
    if (::lstat(logPath.c_str(), &info) != 0) {
        return; // nothing there (or not reachable: the first line tells)
    }
    if (S_ISDIR(info.st_mode)) {
        throw LogWriteError("the name belongs to a folder");
    }
    if (!S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode)) {
        throw LogWriteError("the name belongs to a device, FIFO or socket");
    }
    ::unlink(logPath.c_str());
}

#endif

} // namespace

std::string LogTitleLine() {
    return std::string("Demo Information - Demo Log - ") + ShortDateTimeText(std::time(nullptr));
}

void AppendLogLine(const std::string& logPath, const std::string& text) {
    WriteLine(OpenLogFile(logPath, LogOpening::Append), text + "\r\n");
}

void WriteLogHeader(const std::string& logPath, const std::string& demoPath) {
    RemoveOldLog(logPath);
    const std::string title = LogTitleLine();
    // The first line truncates: an old log that could not be deleted (its
    // folder is read-only) gets its content replaced, never appended to.
    try {
        WriteLine(OpenLogFile(logPath, LogOpening::Replace), title + "\r\n");
    } catch (const LogWriteError&) {
    }
    const std::array<std::string, 4> lines = {std::string(title.size(), '-'), LogCreditLine, "\r\n",
                                              "Demo: " + demoPath + "\r\n"};
    // Each further step that fails is passed over.
    for (const std::string& line : lines) {
        try {
            AppendLogLine(logPath, line);
        } catch (const LogWriteError&) {
        }
    }
}

} // namespace fenlark
