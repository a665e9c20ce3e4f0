#pragma once
// The commands of the main window's buttons, and loading a path the user chose.

#include "core/Session.h"
#include "demolog/LogWriting.h"

#include <optional>
#include <string>

namespace fenlark {

// The Load Demo button: asks for a file, cleans its path and loads it.
void LoadDemoCommand(Session& session);

// Loads a path the user chose (in the dialog, or by dropping a file on the
// window): DemoPath becomes the path; when its folder can be entered the path
// is cleaned up and loaded, otherwise nothing more happens.
void LoadChosenDemo(Session& session, const std::string& chosenPath);

// The Create Demo log button: asks for a file name, then reads the current
// demo in log mode into it. How the log ended, or std::nullopt when the
// dialog was cancelled or its title could not be looked up.
std::optional<DemoLogOutcome> CreateDemoLogCommand(Session& session);

} // namespace fenlark
