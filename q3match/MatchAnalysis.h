#pragma once
// The match analysis of a Quake III-family demo: one full pass over every
// message, snapshots and entities decoded, giving the match facts (duration,
// recorder, game type, players, scores, winner, chat, frags, captures) and how
// the reading ended. A damaged demo gives everything up to the damage.
//
// Memory stays bounded whatever the length of the demo; a progress callback
// and a cancel flag let a front end show progress and stop a long analysis.

#include "core/ByteSource.h"
#include "core/MatchFacts.h"
#include "demoreader/Protocol.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace fenlark::q3match {

struct AnalysisOptions {
    // Called now and then with the bytes read so far and the demo's size
    // (0 when unknown), and once at the end. It runs on the analysing thread.
    std::function<void(std::uint64_t bytesRead, std::uint64_t bytesTotal)> progress;
    // When set and it becomes true, the analysis stops at the next message
    // and reports what it found with the end reason "cancelled".
    const std::atomic<bool>* cancel = nullptr;
};

// The demo at `path`, its protocol taken from the file extension. A file that
// cannot be opened gives facts whose end reason is "read error".
MatchFacts AnalyseDemoFile(const std::string& path, const AnalysisOptions& options = {});

// A demo held by `source` (a file or bytes in memory) of the given protocol.
MatchFacts AnalyseDemo(ByteSource& source, const demoreader::ProtocolInfo& protocol,
                       const AnalysisOptions& options = {});

// A demo read from an open file, which the analysis closes. `size` is only
// for progress (0 when unknown).
MatchFacts AnalyseDemo(std::FILE* file, const demoreader::ProtocolInfo& protocol,
                       std::uint64_t size, const AnalysisOptions& options = {});

} // namespace fenlark::q3match
