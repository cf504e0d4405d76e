#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the tree: exactly the files a desktop
# needs, a library with its SONAME that exports only the C interface, a thumbnailer entry naming
# the installed thumbnailer. Then it moves the tree elsewhere and, against the moved tree, builds
# the README's C example with nothing but pkg-config (and again through find_package), and runs it
# and zelClient from an unrelated folder, with no host on PATH: both must find their own host.
#   install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/zel-install-test.XXXXXX")
trap 'rm -rf "$work"' EXIT

fail() {
  echo "install_test: $*" >&2
  exit 1
}

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

expected="./bin/zelClient
./bin/zelThumbnailer
./include/zelclient.h
./lib/cmake/zelclient/zelclientConfig.cmake
./lib/cmake/zelclient/zelclientConfigVersion.cmake
./lib/cmake/zelclient/zelclientTargets.cmake
./lib/libzelclient.so
./lib/libzelclient.so.1
./lib/libzelclient.so.1.0.0
./lib/pkgconfig/zelclient.pc
./libexec/zelhost/zelHost
./share/doc/zelhost/README.md
./share/thumbnailers/zelhost.thumbnailer"
# The exported targets' file for the build type is named after it.
actual=$(cd "$prefix" && find . -type f -o -type l | grep -v 'zelclientTargets-.*\.cmake$' | sort)
[ "$actual" = "$expected" ] || fail "installed files differ:"$'\n'"$(diff <(echo "$expected") <(echo "$actual"))"
ls "$prefix"/lib/cmake/zelclient/zelclientTargets-*.cmake >/dev/null

readelf -d "$prefix/lib/libzelclient.so.1.0.0" | grep -q 'SONAME.*\[libzelclient\.so\.1\]' ||
  fail "libzelclient has no SONAME libzelclient.so.1"
exported=$(nm -D --defined-only "$prefix/lib/libzelclient.so.1.0.0" | awk '{print $3}' | grep -v '^zel_' || true)
[ -z "$exported" ] || fail "libzelclient exports more than its C interface: $exported"
grep -qx "Exec=$prefix/bin/zelThumbnailer -s %s %i %o" "$prefix/share/thumbnailers/zelhost.thumbnailer" ||
  fail "the thumbnailer entry does not name the installed thumbnailer"

# Everything below uses the tree at a new place: nothing may depend on where it was installed.
moved=$work/moved
mv "$prefix" "$moved"

convert -delay 50 -size 16x12 xc:red xc:blue -loop 0 "$work/two.gif"
awk '/^```c$/ {inside = 1; next} /^```$/ {if (inside) exit} inside' "$source/README.md" >"$work/frames.c"
[ -s "$work/frames.c" ] || fail "no C example in the README"

export PKG_CONFIG_PATH=$moved/lib/pkgconfig
# shellcheck disable=SC2046  # the flags are meant to split into words
cc -Wall -Wextra -Werror -o "$work/frames" "$work/frames.c" $(pkg-config --cflags --libs zelclient)
unset PKG_CONFIG_PATH

mkdir "$work/package"
cat >"$work/package/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.25)
project(frames C)
find_package(zelclient 1 REQUIRED)
add_executable(frames frames.c)
target_link_libraries(frames PRIVATE zelclient::zelclient)
EOF
cp "$work/frames.c" "$work/package/"
cmake -S "$work/package" -B "$work/package/build" -G Ninja -DCMAKE_PREFIX_PATH="$moved" >/dev/null
cmake --build "$work/package/build" >/dev/null

# An empty folder is the current folder and the only folder on PATH: a host is not to be found there.
mkdir "$work/elsewhere"
run() {
  (cd "$work/elsewhere" && env -u ZEL_HOST_PATH PATH="$work/elsewhere" \
    LD_LIBRARY_PATH="$moved/lib" "$@")
}
want=$'animation 16x12\nframe 0: 16x12 at 0,0 for 500 ms\nframe 1: 16x12 at 0,0 for 500 ms'
for program in "$work/frames" "$work/package/build/frames"; do
  got=$(run "$program" "$work/two.gif") || fail "$program failed: $got"
  [ "$got" = "$want" ] || fail "$program printed:"$'\n'"$got"
done
got=$(run "$moved/bin/zelClient" --work "$work/client-work" info "$work/two.gif") ||
  fail "the installed zelClient failed: $got"
grep -q '^size 16x12$' <<<"$got" || fail "the installed zelClient printed:"$'\n'"$got"
echo "install_test: the installed tree is complete and works from another place"
