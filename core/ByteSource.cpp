#include "core/ByteSource.h"

#include "core/Files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fenlark {

std::optional<std::size_t> MemorySource::readAt(std::uint64_t offset,
                                                std::span<std::uint8_t> into) {
    if (offset >= bytes_.size() || into.empty()) {
        return 0;
    }
    const std::size_t count =
        std::min<std::size_t>(into.size(), bytes_.size() - static_cast<std::size_t>(offset));
    std::memcpy(into.data(), bytes_.data() + offset, count);
    return count;
}

std::unique_ptr<FileSource> FileSource::open(const std::string& path) {
    const int descriptor = OpenRegularFile(path);
    if (descriptor < 0) {
        return nullptr;
    }
    struct stat info {};
    if (::fstat(descriptor, &info) != 0) {
        ::close(descriptor);
        return nullptr;
    }
    return std::unique_ptr<FileSource>(
        new FileSource(descriptor, static_cast<std::uint64_t>(info.st_size)));
}

std::FILE* FileSource::openStream() const {
    const int descriptor = ::fcntl(descriptor_, F_DUPFD_CLOEXEC, 0);
    if (descriptor < 0) {
        return nullptr;
    }
    std::FILE* stream = ::fdopen(descriptor, "rb");
    if (stream == nullptr) {
        ::close(descriptor);
        return nullptr;
    }
    // The copy shares the file position with every other copy; this source
    // itself reads by offset, so the position is wherever a stream left it.
    if (std::fseek(stream, 0, SEEK_SET) != 0) {
        std::fclose(stream);
        return nullptr;
    }
    return stream;
}

FileSource::~FileSource() {
    ::close(descriptor_);
}

std::optional<std::size_t> FileSource::readAt(std::uint64_t offset, std::span<std::uint8_t> into) {
    std::size_t done = 0;
    while (done < into.size()) {
        const ssize_t got = ::pread(descriptor_, into.data() + done, into.size() - done,
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

} // namespace fenlark
