#include "core/Files.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fenlark {

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

std::optional<std::string> ReadWholeFile(const std::string& path) {
    const int descriptor = OpenRegularFile(path);
    if (descriptor < 0) {
        return std::nullopt;
    }
    std::string content;
    constexpr std::size_t Chunk = 1U << 16U;
    for (;;) {
        const std::size_t filled = content.size();
        content.resize(filled + Chunk);
        const ssize_t got = ::read(descriptor, content.data() + filled, Chunk);
        if (got < 0 && errno == EINTR) {
            content.resize(filled);
            continue;
        }
        if (got <= 0) {
            content.resize(filled);
            ::close(descriptor);
            if (got < 0) {
                return std::nullopt;
            }
            return content;
        }
        content.resize(filled + static_cast<std::size_t>(got));
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
    ::close(descriptor);
    return true;
}

bool IsSameFile(const std::string& first, const std::string& second) {
    struct stat a {};
    struct stat b {};
    return ::stat(first.c_str(), &a) == 0 && ::stat(second.c_str(), &b) == 0 &&
           a.st_dev == b.st_dev && a.st_ino == b.st_ino;
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
