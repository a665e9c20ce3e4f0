#include "app/QuakeThreeMatch.h"

namespace fenlark {

// The Quake III analysis library is not part of this build yet: Quake III
// demos have no match facts.
std::optional<MatchFacts> AnalyseQuakeThreeDemo(const std::string& /*path*/,
                                                const MatchAnalysisOptions& /*options*/) {
    return std::nullopt;
}

} // namespace fenlark
