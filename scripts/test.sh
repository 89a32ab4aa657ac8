#!/usr/bin/env bash
# Sets everything up, builds the release and sanitizer configurations and
# passes every test in both; also checks that the core compiles for Windows.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
[ -x scripts/start-cups.sh ] && scripts/start-cups.sh
export KESTREL_UI=headless

scripts/build.sh release
ctest --test-dir build/release --output-on-failure -j2 --timeout 600

scripts/build.sh asan
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build/asan --output-on-failure -j2 --timeout 900

scripts/build.sh windows-core
FUZZ_SECONDS=${FUZZ_SECONDS:-20} scripts/fuzz.sh
echo "test: all tests passed (release, asan), the core builds for Windows, the fuzzers found nothing"
