#pragma once
// The loading flow every demo goes through: the wait window, the cleared
// fields, the file size, game matching and the reading its information type
// asks for.

#include "core/Session.h"
#include "readers/EngineReaders.h"

#include <string>

namespace fenlark {

// Shows the wait window, clears the fields, shows the file size and hands the
// demo to game matching, then to the reader of the matched information type.
// Catches ProgramEnded (session.programEnded tells); an allocation that
// fails ends the load with the out-of-memory box, keeping what was read.
void LoadDemo(Session& session);

// Hides the wait window and shows that memory ran out (text 188).
void ReportOutOfMemory(Session& session);

// The built-in reader that the "Reader" key of the current definition's
// information section names, or nullptr when it names none we have.
const readers::EngineReaderEntry* FindBuiltInReader(const Session& session);

void ClearDemoFields(DemoSummary& summary);

// Groups decimal digits in threes from the right with commas ("1234567" ->
// "1,234,567").
std::string FormatFileSize(std::string digits);

} // namespace fenlark
