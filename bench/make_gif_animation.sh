#!/bin/bash
# Makes a benchmark animation once: a full first frame of WIDTHxHEIGHT and FRAMES-1 partial
# updates (moving sprites of SPRITE_WIDTHxSPRITE_HEIGHT), some restoring to the background or to
# the previous frame.
# Usage: make_gif_animation.sh OUTPUT FRAMES [WIDTH HEIGHT [SPRITE_WIDTH SPRITE_HEIGHT]]
set -euo pipefail
output=$1
frames=$2
width=${3:-1000}
height=${4:-800}
sprite_width=${5:-400}
sprite_height=${6:-300}
[[ -s $output ]] && exit 0
mkdir -p "$(dirname "$output")"

args=(-delay 4 -loop 0 -dispose None -page "${width}x${height}+0+0" -size "${width}x${height}"
      gradient:navy-orange)
for ((i = 1; i < frames; i++)); do
  x=$(((i * 37) % (width - sprite_width)))
  y=$(((i * 23) % (height - sprite_height)))
  dispose=None
  ((i % 10 == 0)) && dispose=Background
  ((i % 15 == 0)) && dispose=Previous
  hue=$(((i * 29) % 360))
  args+=(-dispose "$dispose" -page "${width}x${height}+${x}+${y}" -size "${sprite_width}x${sprite_height}"
         "gradient:hsl($hue,90%,50%)-white")
done
convert "${args[@]}" "$output.tmp.gif"
mv "$output.tmp.gif" "$output"
