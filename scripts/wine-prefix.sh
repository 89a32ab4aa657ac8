#!/usr/bin/env bash
# A Wine prefix for the tests of the Windows programs, made once per test run.
#
#   scripts/wine-prefix.sh FOLDER          makes FOLDER/prefix and keeps a wineserver running for it
#   scripts/wine-prefix.sh --stop FOLDER   ends that wineserver and removes FOLDER
#
# 64-bit, no display, no debug output. The server's socket folder is made in
# TMPDIR: every Wine program of the prefix must see the same TMPDIR. Wine takes its printers from CUPS: the
# prefix is made while CUPS_SERVER names a socket where no server listens, and
# the tests point it at their private server, never at the machine's queues.
# The Windows Japanese face names are replaced by the IPA faces, as the Linux
# build's font alias table does, so that texts draw in Japanese glyphs.
# Wine runs in a Japanese locale made here (FOLDER/locale, LOCPATH; from the
# package locales, no locale of the machine is needed): the programs' ANSI
# code page is 932 as on a Japanese office's machine, and Wine gives file
# names to Linux as UTF-8. The tests run their programs in it too.
set -euo pipefail

stop=0
if [ "${1:-}" = "--stop" ]; then
  stop=1
  shift
fi
dir=${1:-}
if [ -z "$dir" ]; then
  echo "wine-prefix: name a folder" >&2
  exit 2
fi
# Wine's menu builder, which would write desktop entries, menus and MIME types
# for the prefix into the home folder, never runs (here nor, by the prefix's
# registry, for the programs the tests start).
export WINEPREFIX="$dir/prefix" WINEARCH=win64 WINEDEBUG=-all CUPS_SERVER="$dir/no-cups.sock" \
  WINEDLLOVERRIDES="winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY

if [ "$stop" = 1 ]; then
  if [ ! -f "$dir/kestrel-wine-prefix" ]; then
    echo "wine-prefix: '$dir' is not a folder of this script; nothing done" >&2
    exit 0
  fi
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  # Debian's Wine keeps the server's socket in a folder of TMPDIR (or /tmp)
  # whose name the prefix holds; it goes with the prefix.
  server=$(cat "$WINEPREFIX/wineserver" 2>/dev/null || true)
  case "$server" in
    wine-??????) rm -rf "${TMPDIR:-/tmp}/$server" ;;
  esac
  rm -rf "$dir"
  echo "wine-prefix: stopped and removed $dir"
  exit 0
fi

command -v wine >/dev/null && command -v wineserver >/dev/null || {
  echo "wine-prefix: wine missing (scripts/setup.sh installs it)" >&2
  exit 1
}
mkdir -p "$dir"
touch "$dir/kestrel-wine-prefix"
if [ ! -d "$dir/locale/ja_JP.UTF-8" ]; then
  mkdir -p "$dir/locale"
  localedef -i ja_JP -f UTF-8 "$dir/locale/ja_JP.UTF-8" 2>/dev/null ||
    echo "wine-prefix: no Japanese locale could be made (package locales); Wine runs without one" >&2
fi
if [ -d "$dir/locale/ja_JP.UTF-8" ]; then
  export LOCPATH="$dir/locale" LC_ALL=ja_JP.UTF-8
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot --init >/dev/null 2>&1 || true
  wineserver -w
  # regedit reads UTF-16 with a byte-order mark.
  {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
    printf '"ＭＳ 明朝"="IPAMincho"\r\n"ＭＳ ゴシック"="IPAGothic"\r\n'
    printf '"標準明朝"="IPAMincho"\r\n"標準ゴシック"="IPAGothic"\r\n'
    printf '"ＭＳ Ｐ明朝"="IPAPMincho"\r\n"ＭＳ Ｐゴシック"="IPAPGothic"\r\n"MS UI Gothic"="IPAPGothic"\r\n'
    printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\DllOverrides]\r\n"winemenubuilder.exe"=""\r\n'
  } | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$dir/fonts.reg"
  wine regedit /S "$(winepath -w "$dir/fonts.reg")" >/dev/null 2>&1
  wineserver -w
fi
# A server that stays between the tests' programs (each then starts in a
# fraction of a second); --stop ends it. It keeps none of this script's
# outputs open, so that whoever reads them sees their end.
wineserver -p </dev/null >/dev/null 2>&1
echo "$dir"
