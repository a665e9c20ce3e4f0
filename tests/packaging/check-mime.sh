#!/usr/bin/env bash
# Checks the MIME types a file manager gets from packaging/fenlark-mime.xml:
#  1. every extension a shipped game definition names has a glob;
#  2. in a private MIME database built from the system's packages plus ours,
#     real demos get their family's type, by name and (where the format has a
#     signature) by content alone.
# Usage: check-mime.sh MIME_XML DATA_DIR SAMPLES_DIR [SHARED_DEMOS_DIR]
set -euo pipefail
xml=$1 data=$2 samples=$3 shared=${4:-}
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# 1. Globs for every extension of Data/*.kgd ("Demo Extensions=a;;b;;").
extensions=$(sed -n 's/\r$//; s/^Demo Extensions=//p' "$data"/*.kgd | tr -s ';' '\n' | sed '/^$/d' | sort -u)
[ -n "$extensions" ] || fail "no extensions found in $data/*.kgd"
for extension in $extensions; do
  grep -q "<glob pattern=\"\*\.$extension\"" "$xml" || fail "no glob for .$extension"
done
echo "globs: $(echo "$extensions" | wc -l) extensions checked"

# 2. A private database: the system's definitions and ours, nothing of the user's.
for tool in update-mime-database gio; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/install-deps.sh)"; exit 1; }
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/share/mime/packages" "$tmp/home"
cp /usr/share/mime/packages/*.xml "$tmp/share/mime/packages/" 2>/dev/null || true
cp "$xml" "$tmp/share/mime/packages/fenlark.xml"
XDG_DATA_DIRS="$tmp/share" XDG_DATA_HOME="$tmp/home" update-mime-database "$tmp/share/mime" >/dev/null

type_of() {
  XDG_DATA_DIRS="$tmp/share" XDG_DATA_HOME="$tmp/home" \
    gio info -a standard::content-type "$1" | sed -n 's/^ *standard::content-type: //p'
}

# expect TYPE SNIFF FILE...: SNIFF=yes also checks a copy without extension,
# which only the content can identify.
checked=0
expect() {
  local type=$1 sniff=$2
  shift 2
  local file got
  for file in "$@"; do
    [ -f "$file" ] || continue
    got=$(type_of "$file")
    [ "$got" = "$type" ] || fail "$file: $got, expected $type"
    if [ "$sniff" = yes ]; then
      cp "$file" "$tmp/unnamed"
      got=$(type_of "$tmp/unnamed")
      [ "$got" = "$type" ] || fail "$file without its extension: $got, expected $type"
    fi
    checked=$((checked + 1))
  done
}

expect application/x-quake3-demo no "$samples"/*.dm_71 "$samples"/*.dm_68
if [ -n "$shared" ] && [ -d "$shared" ]; then
  expect application/x-quake3-demo no "$shared"/dm_6[678]/* "$shared"/q3_dm3_dm48/*.dm*
  expect application/x-quakelive-demo no "$shared"/dm_73/* "$shared"/dm_9[01]/*
  expect application/x-quake-demo yes "$shared"/quake1_dem/*.dem
  # A Half-Life demo with a broken signature is left to the glob (Quake's).
  expect application/x-goldsrc-demo yes $(ls "$shared"/hl1_dem/*.dem | grep -v invalid-magic)
  expect application/x-quake-demo no "$shared"/hl1_dem/*invalid-magic*.dem
  expect application/x-source-demo yes "$shared"/source_dem/*.dem
  expect application/x-quake2-demo yes "$shared"/quake2_dm2/*.dm2 "$shared"/q2pro_mvd2/*.mvd2
  expect application/x-quakeworld-demo yes "$shared"/qw_mvd/*.mvd
  expect application/x-warsow-demo yes "$shared"/warsow_wd/*.wd1[012]
else
  echo "shared demos absent: only the repository's samples checked"
fi
echo "types: $checked files checked, $failures failures"
[ "$failures" -eq 0 ]
