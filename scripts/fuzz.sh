#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for a
# bounded time from its seed corpus. Any finding fails the run; the crashing
# input is left in build/fuzz/findings/.
#
#   scripts/fuzz.sh                    short runs (CI): FUZZ_SECONDS per target, default 20;
#                                      new inputs stay in build/fuzz/corpus-<target>/
#   scripts/fuzz.sh --long [TARGET...] a longer local run: FUZZ_SECONDS per target, default
#                                      600; the inputs that reach something new are merged
#                                      into the kept corpus fuzz/corpus/<target>/ (commit them)
#
# Each target's runs per second are printed with its number of inputs.
set -euo pipefail
cd "$(dirname "$0")/.."
long=0
if [ "${1:-}" = "--long" ]; then
  long=1
  shift
fi
seconds=${FUZZ_SECONDS:-$([ "$long" = 1 ] && echo 600 || echo 20)}
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DKESTREL_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build/fuzz -j"${KESTREL_JOBS:-2}"
mkdir -p build/fuzz/findings
export LSAN_OPTIONS="suppressions=$PWD/fuzz/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for t in build/fuzz/fuzz/*_fuzz; do targets+=("$(basename "$t" _fuzz)"); done
fi
for name in "${targets[@]}"; do
  target="build/fuzz/fuzz/${name}_fuzz"
  [ -x "$target" ] || { echo "fuzz: no target $name" >&2; exit 2; }
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
  runs=$(sed -n 's/^Done \([0-9]*\) runs in \([0-9]*\) second.*/\1/p' "build/fuzz/$name.log" | tail -1)
  took=$(sed -n 's/^Done \([0-9]*\) runs in \([0-9]*\) second.*/\2/p' "build/fuzz/$name.log" | tail -1)
  [ "${took:-0}" -gt 0 ] || took=$seconds
  echo "fuzz: $name: ${runs:-?} inputs in ${took}s ($(( ${runs:-0} / took ))/s)"
  if [ "$long" = 1 ]; then
    # Only inputs that reach new code or new behaviour join the kept corpus.
    mkdir -p "fuzz/corpus/$name"
    before=$(ls "fuzz/corpus/$name" | wc -l)
    "$target" -merge=1 -max_len=65536 -timeout=20 -rss_limit_mb=4096 "${flags[@]}" \
      "fuzz/corpus/$name" "$work" >"build/fuzz/$name.merge.log" 2>&1
    echo "fuzz: $name: kept corpus $before -> $(ls "fuzz/corpus/$name" | wc -l) inputs (fuzz/corpus/$name)"
  fi
done
echo "fuzz: no findings"
