#!/usr/bin/env bash
# Cross-builds ZELWin10Helper.dll and its Windows test program with mingw-w64 into
# build-uihelper/, and checks that the DLL exports exactly its four undecorated names.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

cmake -S uihelper -B build-uihelper -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEL_WERROR=ON \
  -DCMAKE_TOOLCHAIN_FILE="$root/uihelper/mingw-w64.cmake"
cmake --build build-uihelper -j "$(nproc)"

expected=$'CloakWindow\nDetectDarkMode\nEnableBlackTheme\nGetUIColorType'
exported=$(x86_64-w64-mingw32-objdump -p build-uihelper/ZELWin10Helper.dll |
  sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/^[[:space:]]*\[ *[0-9]+\]/ {print $NF}')
if [ "$exported" != "$expected" ]; then
  echo "build-uihelper: unexpected exports of ZELWin10Helper.dll:" >&2
  echo "$exported" >&2
  exit 1
fi
echo "build-uihelper: ZELWin10Helper.dll exports $(echo "$exported" | paste -sd ' ')"
