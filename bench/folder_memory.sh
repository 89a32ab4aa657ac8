#!/usr/bin/env bash
# Time and peak memory of folder runs, for folders of N copies of one sample
# page, so that growth with the page count shows:
#   bench/folder_memory.sh [--pdf] [build dir] [sample name] [page counts...]
#   (defaults: build/release invoice 10 100)
# JPEG pages: each folder is run with its pages encoded on two threads and
# then on one (KESTREL_SEQUENTIAL=1), one after the other; a
# KESTREL_SEQUENTIAL given by the caller keeps that one way only.
# --pdf: each folder becomes one PDF document on the built-in device.
# Each run has its own scratch base folder under /tmp with CUPS hidden
# (KESTREL_NO_CUPS=1) and the headless Ui; nothing goes to a print queue.
# Needs GNU time (/usr/bin/time, package time) and the built sample forms
# (and pdfinfo, poppler-utils, for --pdf).
set -euo pipefail
cd "$(dirname "$0")/.."
pdf=0
if [ "${1:-}" = "--pdf" ]; then
  pdf=1
  shift
fi
build=${1:-build/release}
sample=${2:-invoice}
shift $(($# < 2 ? $# : 2))
counts=("$@")
[ "${#counts[@]}" -gt 0 ] || counts=(10 100)
[ -x /usr/bin/time ] || { echo "folder_memory: /usr/bin/time is missing (scripts/setup.sh installs it)" >&2; exit 1; }
page="$build/examples/$sample.pdat"
[ -f "$page" ] || { echo "folder_memory: no sample $page (build the target examples)" >&2; exit 1; }

work=$(mktemp -d /tmp/kestrel-folder-memory.XXXXXX)
trap 'rm -rf "$work"' EXIT
ways=(0 1)
[ -z "${KESTREL_SEQUENTIAL:-}" ] || ways=("$KESTREL_SEQUENTIAL")
[ "$pdf" = 0 ] || ways=(0)
for n in "${counts[@]}"; do
  for way in "${ways[@]}"; do
    base="$work/$n-$way"
    mkdir -p "$base/zoq" "$base/data"
    if [ "$pdf" = 1 ]; then
      printf '[SETTING]\r\n$jpeg=0\r\n$pbar=0\r\n[PDF]\r\n$path=Kestrel PDF\r\n' >"$base/zoq/kestrel.inf"
    else
      printf '[SETTING]\r\n$jpeg=1\r\n$pbar=0\r\n' >"$base/zoq/kestrel.inf"
    fi
    for i in $(seq -w 1 "$n"); do cp "$page" "$base/data/p$i.pdat"; done
    KESTREL_BASE="$base/" KESTREL_NO_CUPS=1 KESTREL_UI=headless KESTREL_NO_DEBUG_LABEL=1 KESTREL_SEQUENTIAL="$way" \
      /usr/bin/time -v -o "$base/time.txt" "$build/kestrel" -h 1 -p "$base/data,$([ "$pdf" = 1 ] && echo 2 || echo 0)" \
      >/dev/null 2>&1 || {
      echo "folder_memory: the run of $n pages failed" >&2
      exit 1
    }
    if [ "$pdf" = 1 ]; then
      what="$(find "$base/vpdf" -name '*.pdf' -exec pdfinfo {} \; | sed -n 's/^Pages: *//p') in the PDF"
    else
      what="$(find "$base/data" -name '*.jpg' | wc -l) JPEG files, $([ "$way" = 1 ] && echo "1 thread " || echo "2 threads")"
    fi
    awk -v n="$n" -v what="$what" -F': ' '
      /User time/ {u = $2} /System time/ {s = $2} /Elapsed/ {e = $2}
      /Maximum resident/ {r = $2} /Minor/ {f = $2}
      END {printf "%5d pages (%s): CPU %.2f s (%.1f ms a page), wall %s, peak RSS %.1f MiB, minor faults %d\n",
                  n, what, u + s, (u + s) * 1000 / n, e, r / 1024, f}' "$base/time.txt"
    rm -rf "$base"
  done
done
