#!/usr/bin/env bash
# Runs clang-tidy with .clang-tidy over Fenlark's own program sources (the
# layer folders of cmake/layers.txt but the reader libraries, whose format
# offsets are named in their own tables), or over the files given:
#   scripts/tidy.sh                      every source
#   scripts/tidy.sh app/LoadDemo.cpp     some files
#   FIX=1 scripts/tidy.sh ...            apply the fixes clang-tidy offers
# Needs a configured build tree (compile_commands.json), build/ unless
# FENLARK_BUILD_DIR names another. Not part of scripts/test.sh: it takes
# about three CPU-minutes; configure with -DFENLARK_CLANG_TIDY=ON to have
# it as the test "clang_tidy".
set -euo pipefail
cd "$(dirname "$0")/.."
build=${FENLARK_BUILD_DIR:-build}
if [ ! -f "$build/compile_commands.json" ]; then
  echo "tidy.sh: no $build/compile_commands.json; configure first (cmake --preset default)" >&2
  exit 2
fi

if [ $# -gt 0 ]; then
  files=("$@")
else
  # The folders of cmake/layers.txt: the first word of a "folder: ..." line,
  # every word of the others.
  folders=$(awk '!/^#/ && NF { if (index($0, ":")) { sub(/:.*/, ""); print } else { for (i = 1; i <= NF; ++i) print $i } }' cmake/layers.txt \
    | grep -v -x -e demoreader -e readers | paste -sd '|')
  files=("$(pwd)/($folders)/.*\\.cpp\$")
fi

fix=()
if [ "${FIX:-0}" = 1 ]; then
  fix=(-fix)
fi
# GCC's own warning options in the compile commands are unknown to clang.
exec run-clang-tidy -p "$build" -j "$(nproc)" -quiet "${fix[@]}" \
  -extra-arg=-Wno-unknown-warning-option "${files[@]}"
