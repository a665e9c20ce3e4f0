#pragma once
// Describes a demo for the library by running the window's loading flow on
// it, with a user interface that collects message boxes instead of showing
// them: the window's fields become the row, a message becomes its text.

#include "core/LanguageTexts.h"
#include "library/DemoDescriber.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace fenlark {

struct LibraryFlowSettings {
    std::string programFolder;
    std::string definitionsFolder; // "" for the program's own
    std::int16_t languageNumber = 1;
    // Quake III-family demos also get the match analysis (recorder, duration,
    // scores, winner, chat, every player): a full pass over the demo.
    bool matchAnalysis = true;
    // The language component; each flow (one per worker thread) gets its own.
    std::function<std::unique_ptr<LanguageTexts>()> makeLanguage;
};

// A factory for the scanner: one flow (one session) per worker thread.
library::DescriberFactory LibraryFlowDescribers(LibraryFlowSettings settings);

} // namespace fenlark
