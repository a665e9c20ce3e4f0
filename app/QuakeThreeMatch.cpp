#include "app/QuakeThreeMatch.h"

#include "q3match/MatchAnalysis.h"

#include <exception>

namespace fenlark {

MatchFacts AnalyseQuakeThreeDemo(const std::string& path, const MatchAnalysisOptions& options) {
    q3match::AnalysisOptions analysis;
    analysis.progress = options.progress;
    analysis.cancel = options.cancel;
    try {
        return q3match::AnalyseDemoFile(path, analysis);
    } catch (const std::exception& error) {
        // The analysis reports damage rather than throw; only memory can run out.
        MatchFacts facts;
        facts.ended.reason = "read error";
        facts.ended.detail = error.what();
        return facts;
    }
}

} // namespace fenlark
