#pragma once
// The built-in readers of the Quake II engine family: client demos (.dm2,
// protocols 34 to 36 and the raised-limit variants of 34) and the multi-view
// server demos of the Q2PRO engine (.mvd2).

#include "readers/EngineReport.h"

namespace fenlark::readers {

// Registry name "quake2-dm2".
EngineReport ReadQuake2Demo(ByteSource& source, ReadDepth depth);
// Registry name "q2pro-mvd2".
EngineReport ReadQ2ProMultiViewDemo(ByteSource& source, ReadDepth depth);

} // namespace fenlark::readers
