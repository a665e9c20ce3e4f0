#include "readers/EngineReaders.h"

#include "readers/goldsrc/GoldSrcDemoReader.h"
#include "readers/quake/QuakeDemoReader.h"
#include "readers/quake2/Quake2Readers.h"
#include "readers/quakeworld/QuakeWorldReader.h"
#include "readers/source/SourceDemoReader.h"
#include "readers/warsow/WarsowReader.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace fenlark::readers {

namespace {

// One line per reader; each engine's folder declares its function in its own
// header.
constexpr std::array Readers = {
    EngineReaderEntry{"quakeworld-mvd", &ReadQuakeWorldMvd},
    EngineReaderEntry{"quakeworld-qwd", &ReadQuakeWorldQwd},
    EngineReaderEntry{"quake-dem", &ReadQuakeDemo},
    EngineReaderEntry{"quake2-dm2", &ReadQuake2Demo},
    EngineReaderEntry{"q2pro-mvd2", &ReadQ2ProMultiViewDemo},
    EngineReaderEntry{"warsow-wd", &ReadWarsowDemo},
    EngineReaderEntry{"source-dem", &ReadSourceDemo},
    EngineReaderEntry{"goldsrc-dem", &ReadGoldSrcDemo},
};

bool SameName(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace

std::span<const EngineReaderEntry> EngineReaderTable() {
    return Readers;
}

const EngineReaderEntry* FindEngineReader(std::string_view name) {
    const auto found = std::ranges::find_if(
        Readers, [&](const EngineReaderEntry& entry) { return SameName(entry.name, name); });
    return found == Readers.end() ? nullptr : &*found;
}

} // namespace fenlark::readers
