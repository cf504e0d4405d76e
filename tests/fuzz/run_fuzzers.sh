#!/usr/bin/env bash
# Builds the fuzz targets with clang into build-fuzz/, writes their seeds and runs each target for
# SECONDS (default 180) over its own corpus under build-fuzz/corpus/. Findings are written to
# build-fuzz/findings/. Usage: tests/fuzz/run_fuzzers.sh [SECONDS] [TARGET...]
set -euo pipefail

root="$(cd "$(dirname "$0")/../.." && pwd)"
seconds="${1:-180}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(archive channel server_handler gif_fast_path pdf_page)
fi

build="$root/build-fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZEL_FUZZ=ON >/dev/null
cmake --build "$build" -j2 --target "${targets[@]/#/fuzz_}"
python3 "$root/tests/fuzz/make_seeds.py" "$build/seeds"

mkdir -p "$build/findings"
# Decoders inside the image library allocate whatever a chunk header claims (libpng takes a
# text chunk's declared length at its word); such requests fail as they would in a host short of
# memory instead of ending the run as an out-of-memory finding.
export ASAN_OPTIONS="${ASAN_OPTIONS:-allocator_may_return_null=1:max_allocation_size_mb=512}"
# The image library's own leak of exIf chunk buffers, as in the probe tests.
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$root/tests/unit/probes/leak_suppressions.txt}"
for target in "${targets[@]}"; do
  mkdir -p "$build/corpus/$target"
  seeds="$build/seeds/$target"
  [ -d "$seeds" ] || seeds=""
  dict=()
  if [ -f "$root/tests/fuzz/$target.dict" ]; then dict=(-dict="$root/tests/fuzz/$target.dict"); fi
  echo "fuzz: $target for ${seconds}s"
  # Standard output and error are closed: the request handler writes a line per failed
  # conversion. Sanitizer reports still reach the terminal.
  "$build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len=8192 -timeout=10 \
    -rss_limit_mb=2048 -close_fd_mask=3 -print_final_stats=1 \
    "${dict[@]}" -artifact_prefix="$build/findings/$target-" "$build/corpus/$target" $seeds
done
