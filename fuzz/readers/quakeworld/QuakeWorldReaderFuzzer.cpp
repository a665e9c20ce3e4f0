// Arbitrary bytes read as a QuakeWorld MVD and as a .qwd, to the window's
// depth and to the end.

#include "readers/quakeworld/QuakeWorldReader.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace fenlark;
    using namespace fenlark::readers;
    for (const EngineReaderFunction read : {&ReadQuakeWorldMvd, &ReadQuakeWorldQwd}) {
        for (const ReadDepth depth : {ReadDepth::Window, ReadDepth::WholeFile}) {
            MemorySource source(std::vector<std::uint8_t>(data, data + size));
            const EngineReport report = read(source, depth);
            if (report.match.ended.reason.empty()) {
                __builtin_trap(); // every reading says how it ended
            }
        }
    }
    return 0;
}
