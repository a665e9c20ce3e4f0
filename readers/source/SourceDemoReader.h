#pragma once
// The built-in reader of Source engine demos (.dem of the Half-Life 2
// family, Team Fortress 2, Portal; demo protocols 2 and 3): header values,
// server information, the players of the "userinfo" string table, and over
// the whole file the tick range, joins and leaves, chat and frags where the
// demo carries them.

#include "readers/EngineReport.h"

namespace fenlark::readers {

EngineReport ReadSourceDemo(ByteSource& source, ReadDepth depth);

} // namespace fenlark::readers
