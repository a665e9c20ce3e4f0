// What reading a game definition costs: parsing a file once, and looking up
// the keys one load asks for once the file is parsed. A definition of many
// megabytes used to be re-read and re-scanned for every key.

#include "gamedef/DefinitionReader.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// A definition of about `megabytes` MB: the sections a load reads, then
// filler comment lines, then keys at the very end.
std::string MakeDefinition(std::size_t megabytes) {
    std::string text = "[Kalvenor Game]\nGame Name=Bench\nDemo Extensions=tst;;\ntst=1\n"
                       "[Fenlark - tst]\nFenlark Type=1\nInfo Count=20\n";
    for (int n = 1; n <= 20; ++n) {
        text += "Info " + std::to_string(n) + " Name=Row\nInfo " + std::to_string(n) +
                "=rvd::1::10::hex:#kalv#::0::0::5\n";
    }
    const std::string filler = "; " + std::string(98, 'x') + "\n";
    const std::size_t lines = megabytes * 10000;
    text.reserve(text.size() + lines * filler.size());
    for (std::size_t i = 0; i < lines; ++i) {
        text += filler;
    }
    return text + "Map=rvd::1::10::hex:#kalv#::0::0::5\n";
}

void ParseDefinition(benchmark::State& state) {
    const std::string bytes = MakeDefinition(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        const fenlark::DefinitionFile file(bytes);
        benchmark::DoNotOptimize(file.find("Fenlark - tst", "Map"));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(ParseDefinition)->Arg(1)->Arg(30)->Unit(benchmark::kMillisecond);

// The keys of one type-1 load, from a file already parsed (each lookup
// checks that the file has not changed).
void LookUpKeysOfOneLoad(benchmark::State& state) {
    const auto path = std::filesystem::temp_directory_path() / "fenlark-bench.kgd";
    std::ofstream(path, std::ios::binary)
        << MakeDefinition(static_cast<std::size_t>(state.range(0)));
    const std::string file = path.string();
    fenlark::ReadDefinitionValue(file, "Kalvenor Game", "Game Name", "");
    for (auto _ : state) {
        for (int n = 1; n <= 20; ++n) {
            benchmark::DoNotOptimize(fenlark::ReadDefinitionValue(file, "Fenlark - tst",
                                                                  "Info " + std::to_string(n), ""));
        }
        benchmark::DoNotOptimize(fenlark::ReadDefinitionValue(file, "Fenlark - tst", "Map", ""));
    }
    std::filesystem::remove(path);
}
BENCHMARK(LookUpKeysOfOneLoad)->Arg(1)->Arg(30)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
