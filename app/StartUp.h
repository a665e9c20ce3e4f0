#pragma once
// The start-up sequence: the language number from the settings and the demo
// named on the command line.

#include "core/Session.h"

#include <cstdint>
#include <optional>
#include <string>

namespace fenlark {

// Takes the program's argument text (the arguments after the program name
// joined with single blanks) and the settings value "Language_L1"
// (std::nullopt when the store has none), sets LanguageNumber and loads the
// demo named on the command line, if any.
void StartUp(Session& session, const std::string& argumentText,
             const std::optional<std::string>& languageSetting);

// LanguageNumber from the settings text; std::nullopt when it does not
// convert to a signed 16-bit number.
std::optional<std::int16_t> ConvertLanguageSetting(const std::string& text);

} // namespace fenlark
