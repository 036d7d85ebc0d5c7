#!/bin/sh
# Renders the program's icon (data/org.lumidex.LumidexApp.svg) into the
# Windows icon windows/lumidex-app.ico, at the sizes Windows shows: 16 to 64
# pixels as bitmaps, 256 as PNG. The result is committed, so a build needs
# neither tool; `make windows-icon` runs this after the picture changes.
# Needs rsvg-convert (librsvg2-bin) and icotool (icoutils).
set -eu
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for size in 16 24 32 48 64 256; do
    rsvg-convert -w "$size" -h "$size" data/org.lumidex.LumidexApp.svg -o "$work/$size.png"
done
icotool -c -o windows/lumidex-app.ico "$work/16.png" "$work/24.png" "$work/32.png" \
    "$work/48.png" "$work/64.png" -r "$work/256.png"
