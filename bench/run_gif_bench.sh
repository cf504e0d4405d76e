#!/bin/bash
# Decodes two animations (made once into a cache folder) through the GIF fast path, through the
# decoder's plain frames (every frame zoomed alike) and canvas mode (on a MIFF copy of the same frames, which
# the fast path does not take), and through ImageMagick's own `convert -coalesce -resize`, and
# prints wall time and peak resident memory side by side.
# Usage: run_gif_bench.sh [BUILD_DIR]   (an optimised build; default: build-release)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build-release}
bench=$build/bench/bench_gif_fast_path
cache=${ZEL_BENCH_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/zelhost-bench}
modes=$("$bench" modes)

measure() {  # label gif budget
  local label=$1 gif=$2 budget=$3 canvas=""
  for mode in $modes; do
    local line input=$gif
    [[ $mode == canvas ]] && input=${gif%.gif}.miff
    if line=$("$bench" "$mode" "$input" "$budget"); then
      IFS=$'\t' read -r _ ms kib frames size bytes <<<"$line"
      printf '%s\t%s\t%.2f\t%d\t%s\t%s\t%s\n' "$label" "$mode" "$(bc -l <<<"$ms / 1000")" \
        $((kib / 1024)) "$frames" "$size" "$bytes"
      [[ -z $canvas ]] && canvas=$size
    else
      printf '%s\t%s\tfailed\n' "$label" "$mode"
    fi
  done
  # The library's own coalescing holds every frame at full canvas size; Debian's resource policy
  # may refuse the larger animation ("cache resources exhausted"), which is reported as failed.
  local times
  times=$(mktemp)
  if /usr/bin/time -o "$times" -f '%e %M' convert -limit time 180 "$gif" -coalesce \
       -resize "${canvas}!" null: 2>/dev/null; then
    read -r seconds kib <"$times"
    printf '%s\tconvert\t%s\t%d\t\t%s\n' "$label" "$seconds" $((kib / 1024)) "$canvas"
  else
    read -r seconds kib < <(tail -1 "$times")
    printf '%s\tconvert (failed)\t%s\t%d\t\t%s\n' "$label" "$seconds" $((kib / 1024)) "$canvas"
  fi
  rm -f "$times"
}

large=$cache/anim-300x1000x800.gif
medium=$cache/anim-40x1000x800.gif
"$here/make_gif_animation.sh" "$large" 300 || exit 1
"$here/make_gif_animation.sh" "$medium" 40 || exit 1
for gif in "$large" "$medium"; do
  [[ -s ${gif%.gif}.miff ]] || convert "$gif" "${gif%.gif}.miff" || exit 1
done

printf 'animation\tmode\tseconds\tpeak MiB\tframes\tcanvas\tbytes\n'
measure "300 frames, 100 MiB budget" "$large" $((100 * 1024 * 1024))
measure "40 frames, 8 MiB budget" "$medium" $((8 * 1024 * 1024))
