#include "demolog/DemoLog.h"

#include "core/DateTimeText.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fenlark {

namespace {

constexpr mode_t NewFileMode = 0666;

std::string SystemReason(int error) {
    return std::strerror(error);
}

// Opens the log for writing. The open never waits (a FIFO without reader
// fails at once) and only a regular file is written to.
int OpenLogFile(const std::string& logPath, int extraFlags) {
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

} // namespace

std::string LogTitleLine() {
    return std::string("Demo Information - Demo Log - ") + ShortDateTimeText(std::time(nullptr));
}

void AppendLogLine(const std::string& logPath, const std::string& text) {
    WriteLine(OpenLogFile(logPath, O_APPEND), text + "\r\n");
}

void WriteLogHeader(const std::string& logPath, const std::string& demoPath) {
    RemoveOldLog(logPath);
    const std::string title = LogTitleLine();
    // The first line truncates: an old log that could not be deleted (its
    // folder is read-only) gets its content replaced, never appended to.
    try {
        WriteLine(OpenLogFile(logPath, O_TRUNC), title + "\r\n");
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
