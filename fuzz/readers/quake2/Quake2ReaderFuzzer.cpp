// Arbitrary bytes read as a Quake II demo. The first byte picks the reader
// (client demo or multi-view demo) and the depth; the rest is the file.

#include "readers/quake2/Quake2Readers.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    using namespace fenlark;
    using namespace fenlark::readers;
    MemorySource source(std::vector<std::uint8_t>(data + 1, data + size));
    const ReadDepth depth = (data[0] & 2) != 0 ? ReadDepth::Window : ReadDepth::WholeFile;
    const EngineReport report =
        (data[0] & 1) != 0 ? ReadQ2ProMultiViewDemo(source, depth) : ReadQuake2Demo(source, depth);
    // Every reading ends with a reason.
    if (report.match.ended.reason.empty()) {
        __builtin_trap();
    }
    return 0;
}
