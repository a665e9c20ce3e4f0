#pragma once
// The outputs of fenlark-info for one loaded demo.

#include "core/Session.h"
#include "demolog/LogWriting.h"

#include <optional>
#include <string>
#include <vector>

namespace fenlark::cli {

// One JSON object on one line (JSON Lines), fields named after the controls.
// `log`: how the demo log of this demo ended, when one was asked for.
std::string JsonReport(const Session& session, const std::vector<Message>& messages,
                       const std::optional<DemoLogOutcome>& log = std::nullopt);

// A readable summary laid out like the window.
std::string TextReport(const Session& session, const std::vector<Message>& messages);

} // namespace fenlark::cli
