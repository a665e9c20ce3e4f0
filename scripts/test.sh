#!/usr/bin/env bash
# Builds Fenlark and runs every test: the normal build; the optimised build
# (GCC -O2), whose suite takes seconds to run, so that code the optimiser
# treats differently is tested as shipped; a clang build of the programs, so
# that clang's warnings (errors in our code) are seen too; then the whole
# suite again under AddressSanitizer and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

cmake --preset default
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"

cmake --preset release
cmake --build --preset release -j "$jobs"
ctest --preset release -j "$jobs"

cmake --preset clang
cmake --build --preset clang -j "$jobs"

cmake --preset asan
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"
