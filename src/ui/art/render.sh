#!/bin/sh
# Renders the SVG sources in src/ into the PNGs beside this script (1x and @2x).
# Needs rsvg-convert (Debian package librsvg2-bin). Only for refreshing the art;
# the build uses the committed PNGs.
set -eu
cd "$(dirname "$0")"
r() { rsvg-convert -w "$2" -h "$3" -o "$4" "src/$1.svg"; }
pair() { # name width height
  r "$1" "$2" "$3" "$1.png"
  r "$1" $(($2 * 2)) $(($3 * 2)) "$1@2x.png"
}
for n in tb0-start tb1-stop tb2-pause tb3-clear tb4-save tb5-exit tb6-print tb7-browser tb8-explorer; do
  pair "$n" 32 32
done
pair row0-host 16 16
pair row1-host-alt 16 16
pair band-tile 64 111
pair strip-mode 776 33
pair strip-status 776 45
pair banner-ping 247 36
pair banner-ipinfo 243 26
pair panel-ipinfo 243 41
r app-small 16 16 app-16.png
r app-small 24 24 app-24.png
for s in 32 48 64 128 256; do
  r app "$s" "$s" "app-$s.png"
done
