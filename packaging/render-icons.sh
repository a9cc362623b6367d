#!/usr/bin/env bash
# Renders the PNG icons from the scalable one (Debian: librsvg2-bin). Run after
# changing org.tipsmith.Tipsmith.svg and commit the pictures.
set -euo pipefail
cd "$(dirname "$0")"
for size in 48 128 256; do
    rsvg-convert -w "$size" -h "$size" org.tipsmith.Tipsmith.svg -o "icons/org.tipsmith.Tipsmith-$size.png"
done
