#!/usr/bin/env bash
# Sets everything up, builds the release and sanitizer configurations and
# passes every test in both; also checks that the core compiles for Windows,
# builds the Windows programs and passes their tests under Wine.
# No test reaches a print queue of this machine: the tests that print through
# CUPS use a private server of their own (scripts/start-cups.sh, started and
# stopped by ctest), every other run hides CUPS (KESTREL_NO_CUPS=1). Nothing is
# left running, and nothing is left in /tmp or the home folder: the tests' temporary
# files, runtime, settings and data folders and their home are folders of
# build/test-env/ (the last step fails when /tmp or $HOME gained an entry).
# When a step fails, the script says which one and which steps it did not run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

steps=(setup layers release-build release-tests package-install asan-build asan-tests
  windows-core-build windows-build wine-tests fuzz leftovers)
current=
report_failure() {
  local code=$?
  [ "$code" -eq 0 ] && return 0
  local not_run=() seen=0 s
  for s in "${steps[@]}"; do
    [ "$seen" = 1 ] && not_run+=("$s")
    [ "$s" = "$current" ] && seen=1
  done
  echo "test: FAILED at step '$current' (exit code $code)" >&2
  echo "test: not run: ${not_run[*]:-(none)}" >&2
}

# The private CUPS server of a build's tests lives in /tmp under a name made
# from the build folder (its filters run as the user lp, who may not reach
# the build folder); the Wine prefix lives in the build folder. Both are
# stopped even when a run is interrupted.
stop_test_servers() {
  local config
  for config in release asan; do
    local hash
    hash=$(printf '%s' "$root/build/$config" | md5sum | cut -c1-10)
    [ -d "/tmp/kestrel-test-cups-$hash" ] && scripts/stop-cups.sh "/tmp/kestrel-test-cups-$hash" >/dev/null
    [ -d "$root/build/$config/test-wine" ] && scripts/wine-prefix.sh --stop "$root/build/$config/test-wine" >/dev/null
  done
  return 0
}
on_exit() {
  local code=$?
  stop_test_servers
  (exit "$code") || report_failure
  [ -z "${env_dir:-}" ] || rm -rf "$env_dir"
  return "$code"
}
trap on_exit EXIT
step() {
  current=$1
  echo "test: step $current"
}

# What /tmp and the home folder hold before the run, to find what it leaves.
listing() { find "$1" -mindepth 1 -maxdepth 1 -printf '%f\n' 2>/dev/null | LC_ALL=C sort; }
home=$HOME
tmp_before=$(listing /tmp)
home_before=$(listing "$home")

step setup
scripts/setup.sh test

# One fixed locale for every step, whatever the caller's (or none on a
# fresh machine): Japanese window titles, file names and terminal text are
# UTF-8, and a test gives the same result on every machine. C.UTF-8 is part
# of every glibc; no locale needs to be generated.
export LC_ALL=C.UTF-8
unset LANGUAGE
export KESTREL_NO_CUPS=1
# Runs and tests use the headless Ui even on a desktop; the desktop Ui's tests
# ask for their windows themselves.
export KESTREL_UI=headless
# The compiler cache stays where it is for the caller; everything else that
# a tool writes beside its work goes into build/test-env/, removed at the end.
if command -v ccache >/dev/null && [ -z "${CCACHE_DIR:-}" ]; then
  CCACHE_DIR=$(ccache -k cache_dir)
  export CCACHE_DIR
fi
env_dir=$root/build/test-env
rm -rf "$env_dir"
mkdir -p "$env_dir"/{tmp,runtime,config,data,cache,home}
chmod 700 "$env_dir/runtime"
export TMPDIR=$env_dir/tmp XDG_RUNTIME_DIR=$env_dir/runtime XDG_CONFIG_HOME=$env_dir/config \
  XDG_DATA_HOME=$env_dir/data XDG_CACHE_HOME=$env_dir/cache HOME=$env_dir/home

# Every include points down the layers (cmake/layers.txt).
step layers
scripts/check-layers.sh

step release-build
scripts/build.sh release
step release-tests
ctest --test-dir build/release --output-on-failure -j2 --timeout 600 -LE wine

# The Debian package: lintian, installed, a sample printed, purged.
step package-install
scripts/test-install.sh

step asan-build
scripts/build.sh asan
step asan-tests
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build/asan --output-on-failure -j2 --timeout 900 -LE wine

step windows-core-build
scripts/build.sh windows-core
# The Windows programs, then their tests under Wine (label wine).
step windows-build
scripts/build.sh windows
step wine-tests
ctest --test-dir build/release --output-on-failure -j2 --timeout 600 -L wine
step fuzz
FUZZ_SECONDS=${FUZZ_SECONDS:-20} scripts/fuzz.sh

# Nothing left outside the build folders. The X servers' socket folder
# /tmp/.X11-unix is the system's, shared by every X server, and stays.
step leftovers
stop_test_servers
gained() { comm -13 <(printf '%s\n' "$1") <(listing "$2") | grep -vx '.X11-unix' || true; }
left_tmp=$(gained "$tmp_before" /tmp)
left_home=$(gained "$home_before" "$home")
if [ -n "$left_tmp$left_home" ]; then
  [ -z "$left_tmp" ] || echo "test: the run left in /tmp: $(tr '\n' ' ' <<<"$left_tmp")" >&2
  [ -z "$left_home" ] || echo "test: the run left in $home: $(tr '\n' ' ' <<<"$left_home")" >&2
  exit 1
fi
echo "test: all tests passed (release, asan, Windows under Wine), the core builds for Windows, the fuzzers found nothing; nothing left in /tmp or $home"
