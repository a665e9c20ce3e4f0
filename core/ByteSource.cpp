#include "core/ByteSource.h"

#include "core/Files.h"

#include <algorithm>
#include <cstring>

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
    const std::optional<std::uint64_t> length = OpenFileLength(descriptor);
    if (!length) {
        CloseFile(descriptor);
        return nullptr;
    }
    return std::unique_ptr<FileSource>(new FileSource(descriptor, *length));
}

std::FILE* FileSource::openStream() const {
    const int descriptor = DuplicateDescriptor(descriptor_);
    if (descriptor < 0) {
        return nullptr;
    }
    std::FILE* stream = StreamOverDescriptor(descriptor);
    if (stream == nullptr) {
        CloseFile(descriptor);
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
    CloseFile(descriptor_);
}

std::optional<std::size_t> FileSource::readAt(std::uint64_t offset, std::span<std::uint8_t> into) {
    return ReadFileAt(descriptor_, offset, into);
}

} // namespace fenlark
