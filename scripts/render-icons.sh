#!/usr/bin/env bash
# Renders the program icon (packaging/fenlark.svg) to the PNG sizes of the
# hicolor icon theme, into packaging/icons/SIZExSIZE/. The PNGs are committed,
# so building the package needs no SVG renderer; run this after changing the
# SVG and commit the result.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v rsvg-convert >/dev/null || {
  echo "rsvg-convert is missing (Debian package librsvg2-bin)" >&2
  exit 1
}
for size in 16 22 24 32 48 64 128 256; do
  folder=packaging/icons/${size}x${size}
  mkdir -p "$folder"
  rsvg-convert -w "$size" -h "$size" packaging/fenlark.svg -o "$folder/org.kalvenor.Fenlark.png"
done
ls packaging/icons
