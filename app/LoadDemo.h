#pragma once
// The loading flow every demo goes through: the wait window, the cleared
// fields, the file size, game matching and the reading its information type
// asks for.

#include "core/Session.h"

#include <string>

namespace fenlark {

// Shows the wait window, clears the fields, shows the file size and hands the
// demo to game matching, then to the reader of the matched information type.
// Catches ProgramEnded (session.programEnded tells).
void LoadDemo(Session& session);

void ClearDemoFields(DemoSummary& summary);

// Groups decimal digits in threes from the right with commas ("1234567" ->
// "1,234,567").
std::string FormatFileSize(std::string digits);

} // namespace fenlark
