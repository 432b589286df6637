#!/bin/sh
# Renders the PNG sizes of the program icon from its SVG (needs rsvg-convert, Debian's
# librsvg2-bin). The build uses the committed PNGs and never runs this.
set -eu
cd "$(dirname "$0")"
for size in 16 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" sonexa-vireo-mixer.svg -o "png/sonexa-vireo-mixer-$size.png"
done
