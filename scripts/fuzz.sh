#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for a
# bounded time (FUZZ_SECONDS, default 20) from its seed corpus. Any finding
# fails the run; the crashing input is left in build/fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-20}
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DKESTREL_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build/fuzz -j"${KESTREL_JOBS:-2}"
mkdir -p build/fuzz/findings
export LSAN_OPTIONS="suppressions=$PWD/fuzz/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
for target in build/fuzz/fuzz/*_fuzz; do
  name=$(basename "$target" _fuzz)
  work="build/fuzz/corpus-$name"
  mkdir -p "$work"
  seeds=()
  [ -d "fuzz/corpus/$name" ] && seeds=("fuzz/corpus/$name")
  # Extra libFuzzer flags of a target, one line (fuzz/<name>.flags).
  flags=()
  [ -f "fuzz/$name.flags" ] && read -r -a flags <"fuzz/$name.flags"
  "$target" -max_total_time="$seconds" -max_len=65536 -timeout=20 -rss_limit_mb=4096 "${flags[@]}" \
    -artifact_prefix="build/fuzz/findings/$name-" "$work" "${seeds[@]}" >"build/fuzz/$name.log" 2>&1 || {
    tail -40 "build/fuzz/$name.log"
    echo "fuzz: $name found a fault; input in build/fuzz/findings/" >&2
    exit 1
  }
  runs=$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "build/fuzz/$name.log" | tail -1)
  echo "fuzz: $name: ${runs:-?} inputs in ${seconds}s"
done
echo "fuzz: no findings"
