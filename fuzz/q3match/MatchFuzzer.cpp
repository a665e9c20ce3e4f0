// Arbitrary bytes through the match analysis. The first byte picks the
// protocol (every family: the old uncompressed formats, Quake III and Quake
// Live); the rest is the demo.

#include "demoreader/Protocol.h"
#include "q3match/MatchAnalysis.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

constexpr int Protocols[] = {45, 48, 66, 67, 68, 71, 73, 90, 91};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const int protocol = Protocols[data[0] % (sizeof Protocols / sizeof Protocols[0])];
    fenlark::MemorySource source(std::vector<std::uint8_t>(data + 1, data + size));
    const fenlark::MatchFacts facts =
        fenlark::q3match::AnalyseDemo(source, fenlark::demoreader::ProtocolByNumber(protocol));
    // Whatever the bytes, the reading ends for a reason, inside the demo,
    // and the times agree with each other.
    if (facts.ended.reason.empty() || facts.ended.byteOffset.value_or(0) > size - 1 ||
        (facts.durationMs &&
         *facts.durationMs != std::int64_t{*facts.lastServerTime} - *facts.firstServerTime)) {
        __builtin_trap();
    }
    for (const fenlark::MatchPlayer& player : facts.players) {
        if (!player.clientNumber || *player.clientNumber < 0 || *player.clientNumber >= 64) {
            __builtin_trap();
        }
    }
    return 0;
}
