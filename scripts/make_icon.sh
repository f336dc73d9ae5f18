#!/usr/bin/env bash
# Draws the launcher's default icon, launcher/kvell.ico: a white lowercase "k"
# on a deep teal rounded square, at 16, 32, 48 and 256 pixels (256 stored as
# PNG). Needs ImageMagick (magick or convert) and icoutils (icotool).
# Usage: scripts/make_icon.sh [OUTPUT.ico]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$root/launcher/kvell.ico}"
im="$(command -v magick || command -v convert)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Shapes in a 256-unit square; each size is drawn 8 times larger and scaled
# down with a box filter. 16 px gets its own "k", whose stem lies on whole
# pixels; the larger sizes share one whose stem lies on whole pixels at 32.
render() {  # size
  local n=$1 big=$(($1 * 8)) s margin radius stem arm leg
  s="$(awk "BEGIN { print $n * 8 / 256 }")"
  if [ "$n" -le 16 ]; then
    margin=0 radius=40
    stem="rectangle 48,32 80,224"
    arm="polygon 80,144 144,96 208,96 80,192"
    leg="polygon 112,160 144,128 208,224 152,224"
  else
    margin=8 radius=44
    stem="rectangle 48,40 88,216"
    arm="polygon 88,142 145,92 206,92 88,196"
    leg="polygon 114,150 145,120 200,216 152,216"
  fi
  "$im" -size "${big}x${big}" gradient:'#1c8f88'-'#0a5753' \
    \( -size "${big}x${big}" xc:none -fill white \
       -draw "scale $s,$s roundrectangle $margin,$margin $((255 - margin)),$((255 - margin)) $radius,$radius" \) \
    -compose copy-opacity -composite -compose over \
    -fill white -stroke none \
    -draw "scale $s,$s $stem" -draw "scale $s,$s $arm" -draw "scale $s,$s $leg" \
    -filter box -resize "${n}x${n}" -depth 8 -strip -define png:color-type=6 "$work/kvell-$n.png"
}

for size in 16 32 48 256; do render "$size"; done
icotool -c -o "$out" "$work/kvell-16.png" "$work/kvell-32.png" "$work/kvell-48.png" -r "$work/kvell-256.png"
icotool -l "$out"
