// Arbitrary bytes read as an archive by the library's member reader. The
// first byte picks the file name's suffix, which decides whether a lone
// compressed stream is accepted; the rest is the file.

#include "library/ArchiveMembers.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    static const char* const suffixes[] = {".zip", ".7z", ".tar", ".tar.gz", ".gz", ".bz2", ".xz"};
    const char* suffix = suffixes[data[0] % (sizeof suffixes / sizeof suffixes[0])];
    std::string path = "/tmp/fenlark-archive-fuzz-" + std::to_string(::getpid()) + suffix;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return 0;
    std::fwrite(data + 1, 1, size - 1, file);
    std::fclose(file);

    fenlark::library::ArchiveCallbacks callbacks;
    callbacks.wanted = [](const std::string&) { return true; };
    std::size_t total = 0;
    callbacks.member = [&](fenlark::library::ArchiveMember&& member) {
        total += member.bytes.size();
    };
    callbacks.skipped = [](const std::string&, const std::string&) {};
    // A small bound keeps decompression bombs from exhausting the fuzzer's memory.
    fenlark::library::ReadArchiveMembers(path, 1 << 20, callbacks);
    std::remove(path.c_str());
    return 0;
}
