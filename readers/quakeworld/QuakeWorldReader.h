#pragma once
// The built-in readers of QuakeWorld demos: server-side multi-view demos
// (.mvd, "quakeworld-mvd") and client-side demos (.qwd, "quakeworld-qwd").

#include "readers/EngineReport.h"

namespace fenlark::readers {

EngineReport ReadQuakeWorldMvd(ByteSource& source, ReadDepth depth);
EngineReport ReadQuakeWorldQwd(ByteSource& source, ReadDepth depth);

} // namespace fenlark::readers
