#pragma once
// The built-in reader of Quake (NetQuake) demos, "quake-dem": protocol 15
// and the FitzQuake (666) and RMQ (999) protocols of later engines.

#include "readers/EngineReport.h"

namespace fenlark::readers {

EngineReport ReadQuakeDemo(ByteSource& source, ReadDepth depth);

} // namespace fenlark::readers
