#!/usr/bin/env bash
# Sets up the machine, builds zelHost and zelClient, makes a handful of sample files and converts
# each through a real zelHost into PNG files: a JPEG whose EXIF orientation turns it, an animated
# GIF, a PDF page and a PNG with transparency. The results go to demo-output/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEL_WERROR=ON
cmake --build build -j "$(nproc)" --target zelHost zelClient

out="$root/demo-output"
samples="$out/samples"
rm -rf "$out"
mkdir -p "$samples"
client="$root/build/client/zelClient"
work="$out/work"

echo "== making sample files in $samples"
# A landscape photo stand-in stored sideways: EXIF orientation 6 asks viewers to turn it by 90°.
convert -size 480x320 gradient:orange-purple -fill white -pointsize 48 -gravity center \
  -font /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf \
  -annotate 0 'zelHost' "$samples/photo.jpg"
exiftool -q -overwrite_original -Orientation#=6 "$samples/photo.jpg"
# Three frames that move a square across the canvas.
convert -delay 50 -size 160x100 \
  \( xc:skyblue -fill red -draw 'rectangle 10,30 50,70' \) \
  \( xc:skyblue -fill red -draw 'rectangle 60,30 100,70' \) \
  \( xc:skyblue -fill red -draw 'rectangle 110,30 150,70' \) -loop 0 "$samples/moving.gif"
# A PDF that Debian ships with the EXIF tool's documentation.
cp /usr/share/doc/libimage-exiftool-perl/html/MIE1.1-20070121.pdf "$samples/document.pdf"
# A half-transparent disc on a transparent background.
convert -size 200x200 xc:none -fill 'rgba(0,128,255,0.6)' -draw 'circle 100,100 100,20' \
  "$samples/disc.png"

for file in photo.jpg moving.gif document.pdf disc.png; do
  echo
  echo "== $file"
  "$client" --work "$work" info "$samples/$file"
  "$client" --work "$work" convert "$samples/$file" "$out"
done

echo
echo "== the same photo without applying its stored orientation, turned by 180°, and fitted into"
echo "   a 200 x 150 box"
"$client" --work "$work" convert "$samples/photo.jpg" "$out/as-stored" --no-orient
"$client" --work "$work" convert "$samples/photo.jpg" "$out/turned" --rotate 180
"$client" --work "$work" convert "$samples/photo.jpg" "$out/fitted" --max-size 200x150

echo
echo "== properties of the disc"
"$client" --work "$work" props "$samples/disc.png"

echo
echo "PNG files written to $out:"
find "$out" -name '*.png' -not -path "$samples/*" | sort
