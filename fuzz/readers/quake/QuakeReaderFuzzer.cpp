// Arbitrary bytes read as a Quake (NetQuake) demo, to the window's depth and
// to the end.

#include "readers/quake/QuakeDemoReader.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace fenlark;
    using namespace fenlark::readers;
    for (const ReadDepth depth : {ReadDepth::Window, ReadDepth::WholeFile}) {
        MemorySource source(std::vector<std::uint8_t>(data, data + size));
        const EngineReport report = ReadQuakeDemo(source, depth);
        if (report.match.ended.reason.empty()) {
            __builtin_trap(); // every reading says how it ended
        }
    }
    return 0;
}
