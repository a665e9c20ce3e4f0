#include "core/Files.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <memory>
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
    // Closes the file however the reading ends (an allocation may fail).
    const std::unique_ptr<const int, void (*)(const int*)> closer(
        &descriptor, [](const int* open) { ::close(*open); });
    std::string content;
    // Sized once from the file's length, so a large file is not copied while
    // the buffer grows; a file that grows meanwhile is still read to its end.
    struct stat info {};
    if (::fstat(descriptor, &info) == 0 && info.st_size > 0) {
        content.reserve(static_cast<std::size_t>(info.st_size) + 1);
    }
    constexpr std::size_t Chunk = std::size_t{1} << 16U;
    for (;;) {
        const std::size_t filled = content.size();
        const std::size_t room = content.capacity() > filled ? content.capacity() - filled : Chunk;
        content.resize(filled + room);
        const ssize_t got = ::read(descriptor, content.data() + filled, room);
        content.resize(filled + static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return std::nullopt;
        }
        if (got == 0) {
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
