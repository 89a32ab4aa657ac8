#!/usr/bin/env bash
# Installs the Debian packages Kestrel needs, as one of two sets:
#
#   scripts/setup.sh build   what building kestrel, its tools and the sample
#                            forms needs (scripts/run-samples.sh): the compiler,
#                            CMake and Ninja, the libraries' development
#                            packages (with GoogleTest and Google Benchmark,
#                            which configuring the build asks for) and the
#                            Japanese fonts the forms are drawn with
#   scripts/setup.sh [test]  that and the tools of the tests (scripts/test.sh):
#                            CUPS for the tests' private server, Ghostscript,
#                            Poppler, Xvfb, xdotool, ImageMagick, mingw-w64,
#                            NSIS (the Windows installer), Wine, clang,
#                            lintian and the rest below
#
# Only the packages of the set that are missing are installed, without the
# packages Debian merely recommends. Idempotent: run it as root on a fresh
# Debian 12 machine as often as you like.
set -euo pipefail

set_name=${1:-test}
build_packages=(
  build-essential g++ cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  libjpeg62-turbo-dev libturbojpeg0-dev libpng-dev
  libfreetype-dev libfontconfig-dev libharfbuzz-dev zlib1g-dev
  libcups2-dev qt6-base-dev libxcb1-dev libqpdf-dev
  fonts-ipaexfont fonts-ipafont fonts-ocr-b
)
test_packages=(
  cups cups-client cups-bsd ghostscript poppler-utils
  libjpeg-turbo-progs time
  qt6-translations-l10n qt6-wayland
  xvfb xdotool imagemagick
  g++-mingw-w64-x86-64-posix nsis
  wine wine64 locales
  clang libclang-rt-14-dev
  dpkg-dev lintian desktop-file-utils man-db
  qpdf python3-jsonschema
)
case "$set_name" in
  build) packages=("${build_packages[@]}") ;;
  test) packages=("${build_packages[@]}" "${test_packages[@]}") ;;
  *) echo "setup: unknown set '$set_name' (build or test)" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: these packages are missing and installing them needs root: ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
echo "setup: all packages of the set '$set_name' present"
