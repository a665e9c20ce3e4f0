#pragma once
// The built-in reader of GoldSrc demos (.dem of Half-Life, Counter-Strike 1.6
// and other mods; demo protocol 5): header values, the demo directory with
// the duration of each segment, the server information of the first frames,
// the players of the user-info updates, and over the whole file their teams,
// scores, chat and frags from the game messages the demo names.

#include "readers/EngineReport.h"

namespace fenlark::readers {

EngineReport ReadGoldSrcDemo(ByteSource& source, ReadDepth depth);

} // namespace fenlark::readers
