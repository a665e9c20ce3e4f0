// Arbitrary bytes read as a GoldSrc demo: first as the window reads it, then
// whole. Neither may crash, hang or read outside the bytes.

#include "readers/goldsrc/GoldSrcDemoReader.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fenlark::MemorySource source(std::vector<std::uint8_t>(data, data + size));
    for (const auto depth :
         {fenlark::readers::ReadDepth::Window, fenlark::readers::ReadDepth::WholeFile}) {
        const auto report = fenlark::readers::ReadGoldSrcDemo(source, depth);
        if (report.match.ended.reason.empty()) {
            __builtin_trap(); // every reading says how it ended
        }
    }
    return 0;
}
