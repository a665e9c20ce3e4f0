// Arbitrary bytes read as a Warsow demo. The first byte picks the depth; the
// rest is the file.

#include "readers/warsow/WarsowReader.h"

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
    const ReadDepth depth = (data[0] & 1) != 0 ? ReadDepth::Window : ReadDepth::WholeFile;
    const EngineReport report = ReadWarsowDemo(source, depth);
    if (report.match.ended.reason.empty()) {
        __builtin_trap();
    }
    return 0;
}
