#!/usr/bin/env bash
# Sets everything up, builds the release and sanitizer configurations and
# passes every test in both; also checks that the core compiles for Windows,
# builds the Windows programs and passes their tests under Wine.
# No test reaches a print queue of this machine: the tests that print through
# CUPS use a private server of their own (scripts/start-cups.sh, started and
# stopped by ctest), every other run hides CUPS (KESTREL_NO_CUPS=1). Nothing is
# left running and no file is left outside the build folders.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
export KESTREL_NO_CUPS=1
# Runs and tests use the headless Ui even on a desktop; the desktop Ui's tests
# ask for their windows themselves.
export KESTREL_UI=headless
# Every include points down the layers (cmake/layers.txt).
scripts/check-layers.sh

# The private CUPS server of a build's tests lives in /tmp under a name made
# from the build folder; stop it even when a run is interrupted.
stop_test_cups() {
  local config
  for config in release asan; do
    local hash
    hash=$(printf '%s' "$PWD/build/$config" | md5sum | cut -c1-10)
    [ -d "/tmp/kestrel-test-cups-$hash" ] && scripts/stop-cups.sh "/tmp/kestrel-test-cups-$hash" >/dev/null
    [ -d "/tmp/kestrel-test-wine-$hash" ] && scripts/wine-prefix.sh --stop "/tmp/kestrel-test-wine-$hash" >/dev/null
  done
  return 0
}
trap stop_test_cups EXIT

scripts/build.sh release
ctest --test-dir build/release --output-on-failure -j2 --timeout 600 -LE wine

# The Debian package: lintian, installed, a sample printed, purged.
scripts/test-install.sh

scripts/build.sh asan
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build/asan --output-on-failure -j2 --timeout 900 -LE wine

scripts/build.sh windows-core
# The Windows programs, then their tests under Wine (label wine).
scripts/build.sh windows
ctest --test-dir build/release --output-on-failure -j2 --timeout 600 -L wine
FUZZ_SECONDS=${FUZZ_SECONDS:-20} scripts/fuzz.sh
echo "test: all tests passed (release, asan, Windows under Wine), the core builds for Windows, the fuzzers found nothing"
