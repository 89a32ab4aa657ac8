#!/usr/bin/env bash
# Sets everything up, builds Kestrel and prints the bundled sample forms
# into a fresh base folder with the built-in default output (no printer and
# no display needed). Prints where the output is.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh release >/dev/null

base="$PWD/out/samples-$(date +%Y%m%d-%H%M%S)"
mkdir -p "$base/zoq" "$base/data"
# One JPEG file per sample page, beside its print data.
printf '[SETTING]\r\n$jpeg=1\r\n' > "$base/zoq/kestrel.inf"
cp build/release/examples/*.pdat "$base/data/" 2>/dev/null || true
shopt -s nullglob
files=("$base"/data/*.pdat)
if [ "${#files[@]}" -eq 0 ]; then
  echo "run-samples: no sample forms were built (build/release/examples)" >&2
  exit 1
fi
list=$(IFS=,; echo "${files[*]}")

export KESTREL_BASE="$base" KESTREL_UI=headless
status=0
build/release/kestrel -p "$list" || status=$?
echo
echo "Samples printed: ${#files[@]} forms, exit code $status"
echo "Output base folder: $base"
find "$base" -type f ! -path "$base/data/*" | sort | sed 's/^/  /'
exit $status
