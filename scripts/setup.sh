#!/usr/bin/env bash
# Installs every Debian package that building, testing and the demo need. Safe to run again: the
# package lists are refreshed once and only missing packages are installed.
set -euo pipefail

packages=(
  # toolchain and test framework
  build-essential cmake ninja-build pkg-config clang clang-format libgtest-dev
  # the layer check of the test command
  python3
  # libFuzzer and the sanitizer runtimes of clang, for the fuzz targets
  libclang-rt-14-dev
  # image library (ImageMagick 6, Q16 HDRI) and JPEG headers
  libmagick++-6.q16hdri-dev libjpeg62-turbo-dev
  # colour management: the sRGB profile that frames with an embedded profile are converted to
  liblcms2-dev
  # the client's picture files
  libpng-dev
  # PDF writer, DOCX container and XML
  libhpdf-dev libminizip-dev libtinyxml2-dev
  # PDF renderer and the libraries its static build needs
  libmupdf-dev libmujs-dev libgumbo-dev libharfbuzz-dev libjbig2dec0-dev libopenjp2-7-dev
  # fonts for the document path (TrueType outlines only: the PDF writer cannot embed CFF): the
  # base font, the CJK fonts, and fonts for the scripts the base font lacks (Thai, the Indic
  # scripts, Sinhala, Ethiopic, Myanmar, Lao, Khmer, Tibetan)
  fontconfig libfontconfig-dev fonts-dejavu-core fonts-ipafont-gothic fonts-nanum
  fonts-wqy-microhei fonts-wqy-zenhei
  fonts-tlwg-loma-ttf fonts-lohit-deva fonts-lohit-beng-bengali fonts-lohit-taml
  fonts-lohit-telu fonts-lohit-knda fonts-lohit-mlym fonts-lohit-gujr fonts-lohit-guru
  fonts-lohit-orya fonts-lklug-sinhala fonts-sil-abyssinica fonts-sil-padauk fonts-lao
  fonts-khmeros fonts-tibetan-machine
  # reference tools used by tests and benchmarks
  imagemagick poppler-utils libimage-exiftool-perl lldb
  # PDF renderer command line for benchmarks and the document tests (which read glyphs back with
  # it); documentation PDFs used as real-world test inputs
  mupdf-tools camlidl-doc libtasn1-doc shared-mime-info
  # the Windows helper DLL: cross compiler and Wine
  mingw-w64 wine64 xvfb xauth
  # reference thumbnailer timed by the image benchmark; timing and arithmetic of the GIF benchmark
  libvips-tools time bc
  # GNOME's thumbnail factory through PyGObject, and its sandbox, for the desktop thumbnailer test
  gir1.2-gnomedesktop-3.0 gir1.2-gdkpixbuf-2.0 python3-gi bubblewrap
  # real inputs of bench/anchors.sh: photos and the bash reference manual as PDF
  mate-backgrounds bash-doc
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
