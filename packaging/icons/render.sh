#!/bin/sh
# Renders the icon's pictures from orvado.svg (run again after changing it;
# the pictures are kept in the repository, so the build needs no renderer).
set -eu
cd "$(dirname "$0")"
command -v rsvg-convert >/dev/null || { echo "rsvg-convert is missing: apt-get install librsvg2-bin" >&2; exit 1; }
for s in 16 32 48 64 128 256; do
  rsvg-convert -w "$s" -h "$s" orvado.svg -o "orvado-$s.png"
done
