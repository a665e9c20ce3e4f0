#pragma once
// A ByteSource seen as a read-only C stream, for readers that read through
// stdio. The source must outlive the stream.

#include "core/ByteSource.h"

#include <cstdio>

namespace fenlark::q3match {

// A stream reading `source` from its start; nullptr when none can be made.
std::FILE* OpenByteSourceStream(ByteSource& source);

} // namespace fenlark::q3match
