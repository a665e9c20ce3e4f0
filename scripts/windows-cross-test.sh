#!/usr/bin/env bash
# Builds the layers that need neither Qt, SQLite nor libarchive (core up to
# app) and their tests for 64-bit Windows with Debian's MinGW-w64 cross
# compiler, then runs every test program under Wine and prints a summary.
# Exit status 0 when every program ran and no test failed.
#
#   scripts/windows-cross-test.sh [GTEST_FILTER]
#
# Environment: BUILD_DIR (build-mingw), JOBS (2), TEST_TIMEOUT per program in
# seconds (900), WINEPREFIX (a prefix of its own in the user's cache folder).
set -euo pipefail

cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD_DIR=${BUILD_DIR:-build-mingw}
JOBS=${JOBS:-2}
TEST_TIMEOUT=${TEST_TIMEOUT:-900}
FILTER=${1:-*}

# --- packages -------------------------------------------------------------
PACKAGES=(cmake ninja-build ccache g++-mingw-w64-x86-64-posix libz-mingw-w64-dev googletest
          wine wine64)
missing=()
for package in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    SUDO=
    if [ "$(id -u)" -ne 0 ]; then
        SUDO=sudo
    fi
    $SUDO apt-get update
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi

# --- build ----------------------------------------------------------------
LAUNCHER=()
if command -v ccache >/dev/null; then
    LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake --preset mingw -B "$BUILD_DIR" "${LAUNCHER[@]}" >/dev/null
nice -n 10 cmake --build "$BUILD_DIR" -j"$JOBS"

# --- run under Wine -------------------------------------------------------
export WINEPREFIX=${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/fenlark/wine-prefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" # no Mono or Gecko installer prompts
mkdir -p "$WINEPREFIX"
WINE=$(command -v wine || command -v wine64)
"$WINE" wineboot --init >/dev/null 2>&1 || true
# One server for the whole run instead of one per program; ended at exit.
wineserver -p >/dev/null 2>&1 || true
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

LOGS="$BUILD_DIR/wine-logs"
mkdir -p "$LOGS"
programs=("$BUILD_DIR"/tests/bin/*.exe)
total_run=0 total_passed=0 total_skipped=0 total_failed=0 broken=()

count() { # the number of a gtest summary line ("[  PASSED  ] 12 tests.")
    local found
    found=$(grep -E "^\[  $1 *\] [0-9]+ tests?" "$2" | head -n1 | sed -E 's/.*\] ([0-9]+).*/\1/')
    echo "${found:-0}"
}

printf '%-36s %6s %6s %7s %6s  %s\n' program ran passed skipped failed status
for program in "${programs[@]}"; do
    name=$(basename "$program" .exe)
    log="$LOGS/$name.log"
    status=0
    # The working folder is on Wine's Z: drive, so host paths resolve.
    timeout "$TEST_TIMEOUT" "$WINE" "$program" --gtest_filter="$FILTER" >"$log" 2>&1 || status=$?
    ran=$(grep -E '^\[==========\] [0-9]+ tests? from .* ran' "$log" |
          sed -E 's/^\[==========\] ([0-9]+).*/\1/' || true)
    ran=${ran:-0}
    passed=$(count PASSED "$log")
    skipped=$(count SKIPPED "$log")
    failed=$(count FAILED "$log")
    total_run=$((total_run + ran))
    total_passed=$((total_passed + passed))
    total_skipped=$((total_skipped + skipped))
    total_failed=$((total_failed + failed))
    verdict=ok
    if [ "$status" -ne 0 ] || [ "$failed" -ne 0 ]; then
        verdict="FAILED (exit $status, log $log)"
        broken+=("$name")
    fi
    printf '%-36s %6s %6s %7s %6s  %s\n' "$name" "$ran" "$passed" "$skipped" "$failed" "$verdict"
done

echo
echo "Windows cross build under Wine: ${#programs[@]} test programs," \
     "$total_run tests ran, $total_passed passed, $total_skipped skipped, $total_failed failed."
if [ "$total_skipped" -ne 0 ]; then
    echo "Skipped tests and their reasons:"
    # gtest prints "FILE:LINE: Skipped" and the reason on the next line.
    awk '{ sub(/\r$/, "") }
         /^\[ RUN +\] / { name = $NF }
         skip { print "  " name ": " $0; skip = 0 }
         /: Skipped$/ { skip = 1 }' "$LOGS"/*.log
fi
if ((${#broken[@]})); then
    echo "Failing programs: ${broken[*]} (logs in $LOGS/)"
    exit 1
fi
