#pragma once
// The built-in reader of Warsow demos (.wd10 to .wd12, network protocols 10
// to 12, the base game and mods such as Racesow). Registry name "warsow-wd".

#include "readers/EngineReport.h"

namespace fenlark::readers {

EngineReport ReadWarsowDemo(ByteSource& source, ReadDepth depth);

} // namespace fenlark::readers
