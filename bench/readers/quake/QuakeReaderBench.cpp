// Speed of the Quake reader on the real NetQuake demos.

#include "bench/readers/quake/ReaderBench.h"
#include "readers/quake/QuakeDemoReader.h"

namespace {
const int Registered =
    fenlark::bench::RegisterReaderBenchmarks("quake1_dem", &fenlark::readers::ReadQuakeDemo);
} // namespace

BENCHMARK_MAIN();
