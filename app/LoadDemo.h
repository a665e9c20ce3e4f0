#pragma once
// The loading flow every demo goes through, the start-up sequence and the
// Load Demo command.

#include "app/Session.h"

#include <optional>
#include <string>

namespace fenlark {

// Start-up: takes the program's argument text (the arguments after the
// program name joined with single blanks) and the settings value
// "Language_L1" (std::nullopt when the store has none), sets LanguageNumber
// and loads the demo named on the command line, if any.
void StartUp(Session& session, const std::string& argumentText,
             const std::optional<std::string>& languageSetting);

// The Load Demo button: asks for a file, cleans its path and loads it.
void LoadDemoCommand(Session& session);

// Loads a path the user chose (in the dialog, or by dropping a file on the
// window): DemoPath becomes the path; when its folder can be entered the path
// is cleaned up and loaded, otherwise nothing more happens.
void LoadChosenDemo(Session& session, const std::string& chosenPath);

// Shows the wait window, clears the fields, shows the file size and hands the
// demo to game matching. Catches ProgramEnded (session.programEnded tells).
void LoadDemo(Session& session);

void ClearDemoFields(DemoSummary& summary);

// Groups decimal digits in threes from the right with commas ("1234567" ->
// "1,234,567").
std::string FormatFileSize(std::string digits);

// LanguageNumber from the settings text; std::nullopt when it does not
// convert to a signed 16-bit number.
std::optional<std::int16_t> ConvertLanguageSetting(const std::string& text);

} // namespace fenlark
