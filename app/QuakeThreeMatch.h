#pragma once
// The Quake III match analysis as the current demo's analysis sees it.

#include "app/MatchAnalysis.h"

#include <string>

namespace fenlark {

// The match facts of the Quake III protocol demo at `path` (its protocol
// taken from the file extension), with progress and cancelling passed on.
MatchFacts AnalyseQuakeThreeDemo(const std::string& path, const MatchAnalysisOptions& options);

} // namespace fenlark
