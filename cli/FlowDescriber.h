#pragma once
// Describes a demo for the library by running the window's loading flow on
// it, with a user interface that collects message boxes instead of showing
// them: the window's fields become the row, a message becomes its text.

#include "library/DemoDescriber.h"

#include <cstdint>
#include <string>

namespace fenlark::cli {

struct FlowSettings {
    std::string programFolder;
    std::string definitionsFolder; // "" for the program's own
    std::int16_t languageNumber = 1;
};

// A factory for the scanner: one flow (one session) per worker thread.
library::DescriberFactory FlowDescribers(FlowSettings settings);

} // namespace fenlark::cli
