#pragma once
// The match analysis of the current demo, for the Match window and
// fenlark-info --match: which analysis a demo gets is decided by the
// definition the last load matched (a Quake III protocol demo gets the Quake
// III analysis, a definition-driven one the whole-file reading of the
// built-in reader its definition names, any other none).
//
// The work is split so that a front end can run it off its own thread: the
// request is taken from the session on the thread that owns it, the analysis
// itself touches no session.

#include "core/MatchFacts.h"
#include "core/Session.h"
#include "readers/EngineReaders.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace fenlark {

struct MatchAnalysisOptions {
    // Called now and then with the bytes read so far and the demo's size,
    // on the analysing thread.
    std::function<void(std::uint64_t bytesRead, std::uint64_t bytesTotal)> progress;
    // When set and it becomes true, the analysis stops soon and reports what
    // it found with the end reason "cancelled".
    const std::atomic<bool>* cancel = nullptr;
};

struct MatchAnalysisRequest {
    enum class Kind : std::uint8_t { None, QuakeThree, EngineReader };
    Kind kind = Kind::None;
    std::string demoPath;
    const readers::EngineReaderEntry* reader = nullptr; // for Kind::EngineReader
};

// What the current demo can be analysed with; Kind::None when the last load
// matched no definition, or one whose demos have no analysis.
MatchAnalysisRequest PrepareMatchAnalysis(const Session& session);

// Runs the analysis; std::nullopt for Kind::None. A file that cannot be
// opened gives facts whose end reason is "read error".
std::optional<MatchFacts> RunMatchAnalysis(const MatchAnalysisRequest& request,
                                           const MatchAnalysisOptions& options = {});

// Both steps at once, for callers on the session's own thread.
std::optional<MatchFacts> AnalyseCurrentDemo(const Session& session,
                                             const MatchAnalysisOptions& options = {});

} // namespace fenlark
