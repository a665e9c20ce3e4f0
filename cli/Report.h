#pragma once
// The outputs of fenlark-info for one loaded demo.

#include "core/Session.h"

#include <string>
#include <vector>

namespace fenlark::cli {

// One JSON object on one line (JSON Lines), fields named after the controls.
std::string JsonReport(const Session& session, const std::vector<Message>& messages);

// A readable summary laid out like the window.
std::string TextReport(const Session& session, const std::vector<Message>& messages);

} // namespace fenlark::cli
