#!/usr/bin/env bash
# Builds ZELWin10Helper.dll and runs its tests under Wine, in a fresh Wine prefix in a temporary
# folder and on a virtual X display (the tests create real windows).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/build-uihelper.sh

# Debian puts the 64-bit loader outside PATH unless the "wine" wrapper package is installed.
wine64=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)

prefix=$(mktemp -d "${TMPDIR:-/tmp}/zel-uihelper-wine.XXXXXX")
# Wine keeps its server socket folder under TMPDIR; inside the prefix it goes away with it.
mkdir "$prefix/tmp"
export WINEPREFIX="$prefix" TMPDIR="$prefix/tmp" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  "$wineserver" -k 2>/dev/null || true
  rm -rf "$prefix"
}
trap cleanup EXIT

# A new prefix takes a while to set up; wait for it to finish before the tests use it.
"$wine64" wineboot -i >/dev/null 2>&1
"$wineserver" -w

xvfb-run -a ctest --test-dir build-uihelper --output-on-failure
