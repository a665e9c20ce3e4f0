#!/usr/bin/env bash
# Remakes the screenshots in docs/screenshots/ from the real programs under a
# virtual X server: the main window on the bundled sample demo, its Match
# window (opened with Ctrl+M), and the library window on a folder of demos.
# Run after scripts/run-sample.sh or any build of the default preset.
#
#   scripts/screenshots.sh [DEMO_FOLDER]     (default ../shared/demos)
#
# The library gets a database in a temporary data folder, so the user's own
# index and settings are never touched.
set -euo pipefail
cd "$(dirname "$0")/.."
demos=$(realpath "${1:-../shared/demos}")
[ -d "$demos" ] || { echo "no folder of demos at $demos" >&2; exit 1; }

needed=()
for tool in Xvfb:xvfb xdotool:xdotool import:imagemagick; do
  command -v "${tool%%:*}" >/dev/null || needed+=("${tool##*:}")
done
if [ ${#needed[@]} -ne 0 ]; then
  sudo=(); [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${needed[@]}"
fi

program=build/bin/fenlark
indexer=build/bin/fenlark-library
for built in "$program" "$indexer"; do
  [ -x "$built" ] || { echo "build the default preset first ($built is missing)" >&2; exit 1; }
done
out=docs/screenshots
mkdir -p "$out"

display=:$(( 90 + RANDOM % 100 ))
Xvfb "$display" -screen 0 1280x800x24 >/dev/null 2>&1 &
xvfb=$!
scratch=$(mktemp -d)
fenlark=
trap 'kill $fenlark $xvfb 2>/dev/null || true; rm -rf "$scratch"' EXIT
export DISPLAY=$display
sleep 1

"$program" samples/tdm.dm_71 >/dev/null 2>&1 &
fenlark=$!
sleep 3
window=$(xdotool search --sync --onlyvisible --name "Fenlark" | head -1)
import -window "$window" "$out/main-window.png"

# Without a window manager the window takes the keyboard after a click.
xdotool mousemove --window "$window" 20 20 click 1
xdotool key ctrl+m
match=$(xdotool search --sync --onlyvisible --name "^Match - " | head -1)
sleep 2
import -window "$match" "$out/match-window.png"
kill $fenlark; wait $fenlark 2>/dev/null || true

# The library window: the folder is indexed first, into the database the
# window opens (<data folder>/Kalvenor/Fenlark/library.sqlite), so that the
# window's own scan finds every demo unchanged and the table is full at once.
export XDG_DATA_HOME=$scratch/data XDG_CONFIG_HOME=$scratch/config
database=$XDG_DATA_HOME/Kalvenor/Fenlark/library.sqlite
mkdir -p "$(dirname "$database")" "$XDG_CONFIG_HOME"
"$indexer" --db "$database" scan "$demos" 2>/dev/null
"$program" --library "$demos" >/dev/null 2>&1 &
fenlark=$!
library=$(xdotool search --sync --onlyvisible --name "Fenlark - Library" | head -1)
sleep 6
import -window "$library" "$out/library-window.png"
echo "wrote $out/main-window.png, $out/match-window.png and $out/library-window.png"
