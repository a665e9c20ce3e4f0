#include "q3match/ByteSourceFile.h"

#include <cerrno>
#include <cstdint>
#include <new>
#include <span>
#include <stdio.h>
#include <sys/types.h>

namespace fenlark::q3match {
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

} // namespace fenlark::q3match
