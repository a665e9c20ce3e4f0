// Reads every demo named on the command line completely (every message, every
// snapshot decoded) and prints totals: the whole-process program behind the
// instruction counts and peak-memory figures.

#include "DemoWalk.h"

#include <cstdio>
#include <filesystem>

int main(int argc, char** argv) {
    std::uint64_t bytes = 0;
    fenlark::bench::WalkCount total;
    for (int i = 1; i < argc; ++i) {
        const fenlark::bench::WalkCount count = fenlark::bench::WalkWholeDemo(argv[i]);
        if (count.messages == 0) {
            std::fprintf(stderr, "%s: nothing read\n", argv[i]);
        }
        total.messages += count.messages;
        total.stringBytes += count.stringBytes;
        std::error_code error;
        bytes += std::filesystem::file_size(argv[i], error);
    }
    std::printf("%d files, %llu bytes, %llu messages, %llu string bytes\n", argc - 1,
                static_cast<unsigned long long>(bytes),
                static_cast<unsigned long long>(total.messages),
                static_cast<unsigned long long>(total.stringBytes));
    return 0;
}
