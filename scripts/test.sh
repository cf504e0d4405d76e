#!/usr/bin/env bash
# Sets up the machine, builds zelHost and runs every test, then the unit tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh
jobs=$(nproc)

# The layering of the README's table, before anything is built.
/usr/bin/python3 scripts/check_layers.py

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEL_WERROR=ON
cmake --build build -j "$jobs"
# Every test waits for events rather than for time, so one run decides: no retries.
ctest --test-dir build --output-on-failure -j "$jobs"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZEL_WERROR=ON -DZEL_SANITIZE=ON
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan --output-on-failure -j "$jobs" -L unit

# The Windows theming DLL: cross-built with mingw-w64 and tested under Wine.
bash scripts/test-uihelper.sh
