#include "demoreader/RecordStream.h"

#include <algorithm>
#include <cstring>

namespace fenlark::demoreader {
RecordStream::RecordStream(std::FILE* file)
    : file_(file),
      buffer_(std::make_unique_for_overwrite<std::uint8_t[]>(BufferSize + ShortRecord)) {
    // The stream has its own buffer; stdio's would only add a copy.
    std::setvbuf(file_, nullptr, _IONBF, 0);
}

RecordStream::~RecordStream() {
    std::fclose(file_);
}

void RecordStream::fill(std::size_t count) {
    if (available() >= count || endOfFile_ || readError_) {
        return;
    }
    if (begin_ != 0) {
        std::memmove(buffer_.get(), buffer_.get() + begin_, available());
        end_ -= begin_;
        begin_ = 0;
    }
    while (end_ < count && !endOfFile_) {
        const std::size_t want = std::min(BufferSize - end_, std::max(count - end_, ReadChunk));
        const std::size_t got = std::fread(buffer_.get() + end_, 1, want, file_);
        end_ += got;
        if (got == 0) {
            if (std::ferror(file_) != 0) {
                readError_ = true;
            }
            endOfFile_ = true;
        }
    }
}

MessageStatus RecordStream::nextSlow(std::int32_t& sequence, std::uint8_t* payload,
                                     std::uint32_t& length) {
    if (available() < HeaderBytes) {
        fill(HeaderBytes);
    }
    if (readError_) {
        return MessageStatus::ReadError;
    }
    if (available() < HeaderBytes) {
        return available() == 0 ? MessageStatus::EndWithoutMarker : MessageStatus::Truncated;
    }
    const std::uint8_t* header = buffer_.get() + begin_;
    sequence = static_cast<std::int32_t>(LittleEndian32(header));
    const auto claimed = static_cast<std::int32_t>(LittleEndian32(header + sizeof(std::int32_t)));
    if (claimed == EndMarkerLength) {
        return MessageStatus::EndMarker;
    }
    if (claimed < 0 || claimed > static_cast<std::int32_t>(MaxMessageLength)) {
        return MessageStatus::BadLength;
    }
    length = static_cast<std::uint32_t>(claimed);
    if (available() < HeaderBytes + length) {
        fill(HeaderBytes + length);
    }
    if (readError_) {
        return MessageStatus::ReadError;
    }
    if (available() < HeaderBytes + length) {
        return MessageStatus::Truncated;
    }
    std::memcpy(payload, buffer_.get() + begin_ + HeaderBytes, length);
    begin_ += HeaderBytes + length;
    return MessageStatus::Ready;
}

} // namespace fenlark::demoreader
