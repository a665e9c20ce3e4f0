#pragma once
// The folder of the bundled sample demos (samples/).

#include <string>

namespace fenlark::test {

inline const std::string Samples = FENLARK_SAMPLES_DIR;

} // namespace fenlark::test
