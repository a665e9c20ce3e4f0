#pragma once
// The hook of the Quake III match analysis in the loading flow's analysis:
// one function, so that the analysis library is joined in one place.

#include "app/MatchAnalysis.h"

#include <optional>
#include <string>

namespace fenlark {

// The match facts of the Quake III protocol demo at `path`, or std::nullopt
// while this build has no Quake III analysis.
std::optional<MatchFacts> AnalyseQuakeThreeDemo(const std::string& path,
                                                const MatchAnalysisOptions& options);

} // namespace fenlark
