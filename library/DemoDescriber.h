#pragma once
// The scanner hands each demo's bytes to a describer, which reads them the
// way the main window would and returns the library's columns. Describers
// keep per-demo state, so every worker thread gets its own from a factory.

#include "core/ByteSource.h"
#include "library/DemoRecord.h"

#include <functional>
#include <memory>
#include <string>

namespace fenlark::library {

class DemoDescriber {
public:
    virtual ~DemoDescriber() = default;
    // `extension` is the text after the last "." of the file or member name,
    // in lower case. Must not throw for bad input: a demo that cannot be read
    // is described by DemoInfo::message.
    virtual DemoInfo describe(ByteSource& bytes, const DemoLocation& location,
                              const std::string& extension) = 0;
};

using DescriberFactory = std::function<std::unique_ptr<DemoDescriber>()>;

} // namespace fenlark::library
