// Reads every demo named on the command line completely (every message, every
// snapshot decoded) and prints totals: the whole-process program behind the
// instruction counts and peak-memory figures.
//
//   fenlark_read_all [--c-interface] FILE...
//
// By default the demos go through the C++ message walk, as the tool reads
// them; --c-interface makes the same walk through the C calls instead, one
// call per value and per string byte.

#include "DemoWalk.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

int main(int argc, char** argv) {
    using fenlark::bench::WalkPath;
    int first = 1;
    WalkPath how = WalkPath::MessageWalk;
    if (argc > 1 && std::strcmp(argv[1], "--c-interface") == 0) {
        how = WalkPath::CInterface;
        ++first;
    }
    std::uint64_t bytes = 0;
    fenlark::bench::WalkCount total;
    for (int i = first; i < argc; ++i) {
        const fenlark::bench::WalkCount count = fenlark::bench::WalkWholeDemo(argv[i], how);
        if (count.messages == 0) {
            std::fprintf(stderr, "%s: nothing read\n", argv[i]);
        }
        total.messages += count.messages;
        total.stringBytes += count.stringBytes;
        std::error_code error;
        bytes += std::filesystem::file_size(argv[i], error);
    }
    std::printf("%d files, %llu bytes, %llu messages, %llu string bytes\n", argc - first,
                static_cast<unsigned long long>(bytes),
                static_cast<unsigned long long>(total.messages),
                static_cast<unsigned long long>(total.stringBytes));
    return 0;
}
