// Speed of the QuakeWorld reader on the real MVDs.

#include "bench/readers/quake/ReaderBench.h"
#include "readers/quakeworld/QuakeWorldReader.h"

namespace {
const int Registered =
    fenlark::bench::RegisterReaderBenchmarks("qw_mvd", &fenlark::readers::ReadQuakeWorldMvd);
} // namespace

BENCHMARK_MAIN();
