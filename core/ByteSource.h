#pragma once
// The bytes of one demo, read at any offset: a regular file on disk, or bytes
// already in memory (a member read out of an archive). Readers of every engine
// take a ByteSource, so that a demo is read the same way wherever it lives.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace fenlark {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    ByteSource() = default;
    ByteSource(const ByteSource&) = delete;
    ByteSource& operator=(const ByteSource&) = delete;

    // The length in bytes when the source was opened.
    virtual std::uint64_t size() const = 0;
    // Copies up to into.size() bytes from `offset` into `into`. Returns how many
    // were copied (fewer only at the end of the source, 0 at or past it), or
    // std::nullopt when the system reported a read error.
    virtual std::optional<std::size_t> readAt(std::uint64_t offset,
                                              std::span<std::uint8_t> into) = 0;
};

// Bytes held in memory.
class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    std::uint64_t size() const override { return bytes_.size(); }
    std::optional<std::size_t> readAt(std::uint64_t offset, std::span<std::uint8_t> into) override;
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

// A regular file, opened read-only. The open never blocks: a FIFO, a device,
// a socket or a folder is refused rather than waited on.
class FileSource final : public ByteSource {
public:
    // nullptr when `path` is not a regular file that can be opened for reading.
    static std::unique_ptr<FileSource> open(const std::string& path);
    ~FileSource() override;

    std::uint64_t size() const override { return size_; }
    std::optional<std::size_t> readAt(std::uint64_t offset, std::span<std::uint8_t> into) override;

    // A stdio stream over the same open file from its first byte, for readers
    // that read through one. It has a descriptor of its own, closed with the
    // stream. nullptr when the system refuses one.
    std::FILE* openStream() const;

private:
    FileSource(int descriptor, std::uint64_t size) : descriptor_(descriptor), size_(size) {}
    int descriptor_;
    std::uint64_t size_;
};

} // namespace fenlark
