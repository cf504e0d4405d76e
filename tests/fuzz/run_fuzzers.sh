#!/usr/bin/env bash
# Builds the fuzz targets with clang into build-fuzz/, writes their seeds and runs each target, one
# after the other, for SECONDS (default 600) over its own corpus under build-fuzz/corpus/. Findings
# go to build-fuzz/findings/, each run's output to build-fuzz/logs/<target>.log, and a summary line
# per target (executions, edge coverage, features, corpus size) to the standard output.
# Usage: tests/fuzz/run_fuzzers.sh [SECONDS] [TARGET...]
set -euo pipefail

root="$(cd "$(dirname "$0")/../.." && pwd)"
seconds="${1:-600}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(archive channel server_handler gif_fast_path pdf_page jpeg_probe png_probe docx text)
fi

build="$root/build-fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZEL_FUZZ=ON >/dev/null
cmake --build "$build" -j2 --target "${targets[@]/#/fuzz_}"
/usr/bin/python3 "$root/tests/fuzz/make_seeds.py" "$build/seeds"

mkdir -p "$build/findings" "$build/logs"
# Decoders inside the image library allocate whatever a chunk header claims (libpng takes a
# text chunk's declared length at its word); such requests fail as they would in a host short of
# memory instead of ending the run as an out-of-memory finding.
export ASAN_OPTIONS="${ASAN_OPTIONS:-allocator_may_return_null=1:max_allocation_size_mb=512}"
# The image library's own leak of exIf chunk buffers, as in the probe tests.
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$root/tests/unit/service/leak_suppressions.txt}"
status=0
for target in "${targets[@]}"; do
  mkdir -p "$build/corpus/$target"
  seeds="$build/seeds/$target"
  [ -d "$seeds" ] || seeds=""
  dict=()
  if [ -f "$root/tests/fuzz/$target.dict" ]; then dict=(-dict="$root/tests/fuzz/$target.dict"); fi
  log="$build/logs/$target.log"
  echo "fuzz: $target for ${seconds}s"
  # Standard output and error of the target are closed: the request handler writes a line per
  # failed conversion. libFuzzer's own lines and sanitizer reports still reach the log.
  "$build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len=8192 -timeout=10 \
    -rss_limit_mb=2048 -close_fd_mask=3 -print_final_stats=1 \
    "${dict[@]}" -artifact_prefix="$build/findings/$target-" "$build/corpus/$target" $seeds \
    >"$log" 2>&1 || { status=1; echo "fuzz: $target FOUND A FAULT, see $log"; }
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  coverage=$(grep -E '^#[0-9]+' "$log" | tail -1 | grep -oE '(cov|ft|corp): [0-9]+[^ ]*' | tr '\n' ' ')
  echo "fuzz: $target executions: ${executions:-?} ${coverage}"
done
exit "$status"
