#!/usr/bin/env bash
# Remakes the screenshots in docs/screenshots/ from the real programs under a
# virtual X server: the main window on the bundled sample demo, and its Match
# window (opened with Ctrl+M). Run after scripts/run-sample.sh or any build of
# the default preset.
set -euo pipefail
cd "$(dirname "$0")/.."

needed=()
for tool in Xvfb:xvfb xdotool:xdotool import:imagemagick; do
  command -v "${tool%%:*}" >/dev/null || needed+=("${tool##*:}")
done
if [ ${#needed[@]} -ne 0 ]; then
  sudo=(); [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${needed[@]}"
fi

program=build/bin/fenlark
[ -x "$program" ] || { echo "build the default preset first ($program is missing)" >&2; exit 1; }
out=docs/screenshots
mkdir -p "$out"

display=:$(( 90 + RANDOM % 100 ))
Xvfb "$display" -screen 0 1024x720x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $fenlark $xvfb 2>/dev/null || true' EXIT
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
echo "wrote $out/main-window.png and $out/match-window.png"
