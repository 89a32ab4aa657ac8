#!/usr/bin/env bash
# Sets everything up, builds Kestrel and prints the bundled sample forms
# with the built-in default output (the "Kestrel PDF" device: one PDF file),
# into a fresh base folder; then prints them again as one JPEG file per page
# in a second base folder. No printer and no display needed. Prints where
# the output is.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh release >/dev/null

run="$PWD/out/samples-$(date +%Y%m%d-%H%M%S)"
shopt -s nullglob
samples=(build/release/examples/*.pdat)
if [ "${#samples[@]}" -eq 0 ]; then
  echo "run-samples: no sample forms were built (build/release/examples)" >&2
  exit 1
fi

# print <base folder> [settings lines...]: one run of kestrel over the samples.
print() {
  local base=$1
  shift
  mkdir -p "$base/zoq" "$base/data"
  if [ "$#" -gt 0 ]; then
    { printf '[SETTING]\r\n'; printf '%s\r\n' "$@"; } > "$base/zoq/kestrel.inf"
  fi
  cp "${samples[@]}" "$base/data/"
  local files=("$base"/data/*.pdat)
  local list
  list=$(IFS=,; echo "${files[*]}")
  local status=0
  KESTREL_BASE="$base" KESTREL_UI=headless build/release/kestrel -p "$list" || status=$?
  echo "run-samples: $(basename "$base"): ${#files[@]} forms, exit code $status"
  return $status
}

status=0
print "$run/pdf" || status=$?
print "$run/jpeg" '$jpeg=1' || status=$?

echo
echo "Output of the built-in PDF device:"
find "$run/pdf" -type f -name '*.pdf' | sort | sed 's/^/  /'
echo "JPEG pages:"
find "$run/jpeg" -type f -iname '*.jp*g' | sort | sed 's/^/  /'
echo "Logs and settings: $run/pdf/zoq and $run/jpeg/zoq"
exit $status
