#pragma once
// The outputs of fenlark-info for one loaded demo.

#include "core/MatchFacts.h"
#include "core/Session.h"
#include "demolog/LogWriting.h"

#include <optional>
#include <string>
#include <vector>

namespace fenlark::cli {

// What --match adds to a report: nothing without the option; with it the
// demo's match facts, std::nullopt when the demo has no analysis.
struct MatchSection {
    std::optional<MatchFacts> facts;
};

// One JSON object on one line (JSON Lines), fields named after the controls.
// `log`: how the demo log of this demo ended, when one was asked for;
// `match`: with --match, the object "match".
std::string JsonReport(const Session& session, const std::vector<Message>& messages,
                       const std::optional<DemoLogOutcome>& log = std::nullopt,
                       const MatchSection* match = nullptr);

// A readable summary laid out like the window, and with --match a short
// summary of the match.
std::string TextReport(const Session& session, const std::vector<Message>& messages,
                       const MatchSection* match = nullptr);

} // namespace fenlark::cli
