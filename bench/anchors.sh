#!/bin/bash
# Times zelClient as a person at the keyboard meets it — whole processes, host start included —
# against the one-shot tools that person would use instead, on the same machine in one run:
#
#   photo   a 6000x4000 JPEG fitted into 1920x1080, written as PNG   vs  vipsthumbnail
#   pdf     the first page of the bash reference manual as PNG       vs  mutool draw -r 96
#   gif     a 114-frame animation, every frame as PNG                vs  convert -coalesce
#   info    size, orientation and date of the 6000x4000 JPEG         (no anchor: absolute target)
#   batch   100 PDFs through one zelClient call                      vs  a shell loop of mutool
#
# Each job and its anchor run alternately RUNS times; the table shows the median wall time, the
# median processor time (user and system, all processes of the run: steadier than the wall time
# on a busy machine), the median peak resident memory of the largest process of the run (GNU
# time's %M: for zelClient the larger of the client and its host) and the ratio of the median
# wall times.
#
# Usage: bench/anchors.sh [BUILD_DIR [RUNS]]   (default: build/ of this checkout, 5 runs)
# Builds nothing. Inputs are made once into ${ZEL_BENCH_CACHE:-~/.cache/zelhost-bench}/anchors
# from files that Debian packages ship (mate-backgrounds, bash-doc and the documentation PDFs
# that scripts/setup.sh installs).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
runs=${2:-5}
client=$build/client/zelClient
for tool in "$client" "$build/host/zelHost" /usr/bin/vipsthumbnail /usr/bin/mutool \
            /usr/bin/convert /usr/bin/time; do
  [[ -x $tool ]] || { echo "anchors: missing $tool" >&2; exit 1; }
done
# The distribution's convert itself, not whatever wrapper comes first on PATH.
convert=/usr/bin/convert

cache=${ZEL_BENCH_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/zelhost-bench}/anchors
mkdir -p "$cache"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
work=$scratch/work
out=$scratch/out

# ---- inputs -------------------------------------------------------------------------------------

source_photo=/usr/share/backgrounds/mate/nature/TwoWings.jpg
photo=$cache/photo-6000x4000.jpg
if [[ ! -s $photo ]]; then
  # A real photo enlarged to 24 megapixels; light sensor-like noise keeps the JPEG as dense as a
  # camera's (an enlarged photo alone compresses far better than a real one).
  $convert "$source_photo" -resize '6000x4000^' -gravity center -extent 6000x4000 \
    -attenuate 0.4 +noise Gaussian -quality 90 "$photo.tmp.jpg"
  mv "$photo.tmp.jpg" "$photo"
fi

pdf=/usr/share/doc/bash/bashref.pdf

gif=$cache/pan-114x402x280.gif
if [[ ! -s $gif ]]; then
  # A camera pan over the photo: 114 frames of 402x280, each one different over its whole area,
  # as a clip cut from a video is.
  frames=()
  for ((i = 0; i < 114; i++)); do
    frames+=(\( -clone 0 -crop "402x280+$((i * 7))+$((i * 3))" +repage \))
  done
  $convert "$source_photo" -resize 1200x "${frames[@]}" -delete 0 -set delay 4 -loop 0 \
    -layers Optimize "$gif.tmp.gif"
  mv "$gif.tmp.gif" "$gif"
fi

batch=$cache/pdf-batch
if [[ $(find "$batch" -name '*.pdf' 2>/dev/null | wc -l) -ne 100 ]]; then
  rm -rf "$batch"
  mkdir -p "$batch"
  manuals=(/usr/share/doc/bash/bashref.pdf /usr/share/doc/bash/bash.pdf
           /usr/share/doc/camlidl/camlidl-1.04.doc.pdf /usr/share/doc/libtasn1-doc/libtasn1.pdf
           /usr/share/doc/shared-mime-info/shared-mime-info-spec.pdf
           /usr/share/doc/libimage-exiftool-perl/html/MIE1.1-20070121.pdf)
  for ((i = 0; i < 100; i++)); do
    cp "${manuals[i % ${#manuals[@]}]}" "$batch/$(printf 'manual-%03d.pdf' "$i")"
  done
fi
batch_files=("$batch"/*.pdf)

# ---- measuring ----------------------------------------------------------------------------------

# Runs a command once with a fresh output folder; prints "seconds kib cpu-seconds", or "failed".
measure() {
  rm -rf "$out"
  mkdir -p "$out"
  local start end kib user system
  start=$EPOCHREALTIME
  if /usr/bin/time -f '%M %U %S' -o "$scratch/usage" "$@" >/dev/null 2>"$scratch/stderr"; then
    end=$EPOCHREALTIME
    read -r kib user system < <(tail -1 "$scratch/usage")
    printf '%s %s %s\n' "$(bc -l <<<"$end - $start")" "$kib" "$(bc -l <<<"$user + $system")"
  else
    echo failed
  fi
}

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "nan"; else print v[int((NR + 1) / 2)] }'; }

# Per row: the job command and the anchor command, as bash -c strings run with the inputs in the
# environment.
export client convert photo pdf gif work out
export batch_list="${batch_files[*]}"

row() {  # label anchor_name job anchor
  local label=$1 anchor_name=$2 job=$3 anchor=$4
  local job_runs=() anchor_runs=() result
  for ((r = 0; r < runs; r++)); do
    result=$(measure bash -c "$job")
    if [[ $result != failed ]]; then
      job_runs+=("$result")
    else
      echo "  $label: zelClient failed: $(tail -2 "$scratch/stderr" | tr '\n' ' ')" >&2
    fi
    [[ -z $anchor ]] && continue
    result=$(measure bash -c "$anchor")
    if [[ $result != failed ]]; then
      anchor_runs+=("$result")
    else
      echo "  $label: $anchor_name failed: $(tail -2 "$scratch/stderr" | tr '\n' ' ')" >&2
    fi
  done
  local job_figures anchor_figures="- - -" ratio="-" jt jm jc at am ac
  job_figures=$(medians "${job_runs[@]}")
  [[ -n $anchor ]] && anchor_figures=$(medians "${anchor_runs[@]}")
  read -r jt jm jc <<<"$job_figures"
  read -r at am ac <<<"$anchor_figures"
  if [[ $jt != - && $at != - ]]; then ratio=$(printf '%.2fx' "$(bc -l <<<"$jt / $at")"); fi
  printf '%-34s %8s %6s %6s   %-20s %8s %6s %6s %7s\n' "$label" "$jt" "$jc" "$jm" \
    "$anchor_name" "$at" "$ac" "$am" "$ratio"
}

# "seconds MiB cpu-seconds" medians of measure's lines, formatted; "- - -" without any.
medians() {
  if [[ $# -eq 0 ]]; then
    echo "- - -"
    return
  fi
  local seconds kib cpu
  seconds=$(printf '%s\n' "$@" | cut -d' ' -f1 | median)
  kib=$(printf '%s\n' "$@" | cut -d' ' -f2 | median)
  cpu=$(printf '%s\n' "$@" | cut -d' ' -f3 | median)
  printf '%.3f %d %.2f\n' "$seconds" $((kib / 1024)) "$cpu"
}

# An older zelClient takes one file per call; its batch row is then a loop of calls.
if "$client" --work "$work" convert "${batch_files[0]}" "${batch_files[1]}" "$out" \
     >/dev/null 2>&1; then
  batch_job='"$client" --work "$work" convert $batch_list "$out"'
  batch_label="batch: 100 PDFs, one call"
else
  batch_job='for f in $batch_list; do "$client" --work "$work" convert "$f" "$out" || exit 1; done'
  batch_label="batch: 100 PDFs, one call each"
fi

echo "zelClient: $client ($runs runs each, alternating; load average $(cut -d' ' -f1-3 /proc/loadavg))"
printf '%-34s %8s %6s %6s   %-20s %8s %6s %6s %7s\n' job seconds cpu MiB anchor seconds cpu MiB ratio
row "JPEG 6000x4000 -> 1920x1080 PNG" vipsthumbnail \
  '"$client" --work "$work" convert "$photo" "$out" --max-size 1920x1080' \
  'vipsthumbnail "$photo" --size 1920x1080 -o "$out/%s.png"'
row "PDF first page -> PNG" "mutool draw -r 96" \
  '"$client" --work "$work" convert "$pdf" "$out"' \
  'mutool draw -q -r 96 -o "$out/page.png" "$pdf" 1'
row "GIF 114 frames -> PNGs" "convert -coalesce" \
  '"$client" --work "$work" convert "$gif" "$out"' \
  '"$convert" "$gif" -coalesce "$out/frame_%03d.png"'
row "info JPEG 6000x4000" "-" \
  '"$client" --work "$work" info "$photo"' ''
row "$batch_label" "mutool draw, a loop" "$batch_job" \
  'for f in $batch_list; do mutool draw -q -r 96 -o "$out/$(basename "$f" .pdf).png" "$f" 1 || exit 1; done'
