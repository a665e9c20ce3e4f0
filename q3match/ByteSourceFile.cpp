#include "q3match/ByteSourceFile.h"

#include <cerrno>
#include <cstdint>
#include <new>
#include <span>
#include <stdio.h>
#include <sys/types.h>

#ifdef _WIN32
#include "core/Files.h"

#include <array>
#endif

namespace fenlark::q3match {

#ifdef _WIN32

// The C library of Windows cannot call back into a ByteSource for a stream's
// bytes: they are copied into a scratch file that is deleted when the stream
// is closed.
std::FILE* OpenByteSourceStream(ByteSource& source) {
    std::FILE* stream = OpenScratchStream();
    if (stream == nullptr) {
        return nullptr;
    }
    constexpr std::size_t Chunk = std::size_t{1} << 16U;
    std::array<std::uint8_t, Chunk> buffer{};
    for (std::uint64_t offset = 0;;) {
        const auto read = source.readAt(offset, buffer);
        if (!read || (*read > 0 && std::fwrite(buffer.data(), 1, *read, stream) != *read)) {
            std::fclose(stream);
            return nullptr;
        }
        if (*read == 0) {
            break;
        }
        offset += *read;
    }
    if (std::fseek(stream, 0, SEEK_SET) != 0) {
        std::fclose(stream);
        return nullptr;
    }
    return stream;
}

#else

namespace {

struct Cookie {
    ByteSource* source;
    std::uint64_t offset;
};

ssize_t ReadCookie(void* cookie, char* buffer, std::size_t size) {
    auto* state = static_cast<Cookie*>(cookie);
    const auto read = state->source->readAt(
        state->offset, std::span<std::uint8_t>(reinterpret_cast<std::uint8_t*>(buffer), size));
    if (!read) {
        errno = EIO;
        return -1;
    }
    state->offset += *read;
    return static_cast<ssize_t>(*read);
}

int CloseCookie(void* cookie) {
    delete static_cast<Cookie*>(cookie);
    return 0;
}

} // namespace

std::FILE* OpenByteSourceStream(ByteSource& source) {
    auto* cookie = new (std::nothrow) Cookie{&source, 0};
    if (cookie == nullptr) {
        return nullptr;
    }
    cookie_io_functions_t functions{};
    functions.read = ReadCookie;
    functions.close = CloseCookie;
    std::FILE* stream = fopencookie(cookie, "rb", functions);
    if (stream == nullptr) {
        delete cookie;
    }
    return stream;
}

#endif

} // namespace fenlark::q3match
