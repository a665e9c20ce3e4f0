#!/usr/bin/env bash
# Installs the build into a fresh prefix and runs the installed programs, so
# that they prove to find their definitions and language texts in
# share/fenlark/ (not beside the build tree). Also validates the installed
# desktop entry and AppStream metadata.
# Usage: check-install.sh BUILD_DIR SAMPLES_DIR [CMAKE]
set -euo pipefail
build=$1 samples=$2 cmake=${3:-cmake}
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/prefix
"$cmake" --install "$build" --prefix "$prefix" >/dev/null

# Layout: programs in bin/, shared files in share/fenlark/, nothing at the top.
for program in fenlark-info fenlark-library; do
  [ -x "$prefix/bin/$program" ] || fail "bin/$program missing"
done
ls "$prefix"/share/fenlark/Data/*.kgd >/dev/null 2>&1 || fail "no share/fenlark/Data/*.kgd"
[ -f "$prefix/share/fenlark/fenlark-texts.lng" ] || fail "no share/fenlark/fenlark-texts.lng"
for stray in Data fenlark-texts.lng; do
  [ ! -e "$prefix/$stray" ] || fail "$stray installed at the top of the prefix"
done
[ -z "$(find "$prefix" -path '*test*' -o -name '*bench*' -o -name '*fuzz*' -o -name '*.a')" ] ||
  fail "tests, benchmarks or libraries installed: $(find "$prefix" -path '*test*' -o -name '*bench*' -o -name '*fuzz*' -o -name '*.a')"

# The installed fenlark-info, run from elsewhere on a copy of the sample.
cp "$samples/tdm.dm_71" "$tmp/tdm.dm_71"
cd "$tmp"
json=$("$prefix/bin/fenlark-info" --json tdm.dm_71) || fail "fenlark-info exited with $?"
echo "$json" | grep -q '"definition":"[^"]*\.kgd"' || fail "no definition found: $json"
echo "$json" | grep -q '"txtDemoType":"ioquake3' || fail "not read as an ioquake3 demo: $json"
# A demo no definition knows: the message text comes from the installed table.
printf 'nothing' >"$tmp/unknown.xyz"
json=$("$prefix/bin/fenlark-info" --json unknown.xyz) || true
echo "$json" | grep -q '"messages":\[{"icon":"[a-z]*","title":"[^"]*","text":"[^"]' ||
  fail "no language text in the message: $json"

mkdir "$tmp/demos"
cp "$samples"/*.dm_* "$tmp/demos/"
"$prefix/bin/fenlark-library" --db "$tmp/library.sqlite" scan "$tmp/demos" >/dev/null ||
  fail "fenlark-library scan exited with $?"
listed=$("$prefix/bin/fenlark-library" --db "$tmp/library.sqlite" list --json | grep -c '"game":"[^"]' || true)
[ "$listed" -eq "$(ls "$tmp/demos" | wc -l)" ] || fail "library lists $listed demos with a game"

# Desktop integration files, when the window is part of the build.
desktop=$(ls "$prefix"/share/applications/*.desktop 2>/dev/null || true)
if [ -n "$desktop" ]; then
  desktop-file-validate "$desktop" || fail "desktop-file-validate"
  grep -q "^Exec=$prefix/bin/fenlark -- %f$" "$desktop" || fail "Exec does not name the installed program"
  appstreamcli validate --no-net --pedantic "$prefix"/share/metainfo/*.metainfo.xml >"$tmp/as.txt" 2>&1 ||
    { cat "$tmp/as.txt"; fail "appstreamcli validate"; }
  ls "$prefix"/share/icons/hicolor/scalable/apps/*.svg "$prefix"/share/mime/packages/*.xml >/dev/null ||
    fail "icon or MIME types missing"
fi
echo "install check: $failures failures"
[ "$failures" -eq 0 ]
