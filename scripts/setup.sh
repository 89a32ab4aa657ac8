#!/usr/bin/env bash
# Installs every Debian package Kestrel needs to build, test and run.
# Idempotent: run it as root on a fresh Debian 12 machine as often as you like.
set -euo pipefail

packages=(
  build-essential g++ cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  libjpeg62-turbo-dev libturbojpeg0-dev
  libfreetype-dev libfontconfig-dev libharfbuzz-dev zlib1g-dev
  libcups2-dev cups cups-client cups-bsd ghostscript poppler-utils
  libjpeg-turbo-progs time
  qt6-base-dev qt6-translations-l10n qt6-wayland
  libxcb1-dev xvfb xdotool imagemagick
  fonts-ipaexfont fonts-ipafont fonts-ocr-b
  g++-mingw-w64-x86-64-posix
  wine wine64 locales
  clang libclang-rt-14-dev
  dpkg-dev lintian desktop-file-utils man-db
  libqpdf-dev qpdf
)

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
echo "setup: all packages present"
