#!/usr/bin/env bash
# Sets everything up, builds kestrel and the sample forms (nothing else: the
# tests and benchmarks are built by scripts/test.sh) and prints the samples
# on the built-in device "Kestrel PDF", never on a printer of this machine
# (CUPS is hidden with KESTREL_NO_CUPS=1):
#   1. each sample as its own PDF document, so that every page has its own
#      paper (B4 landscape, A4; the A5 slip sits on an A4 sheet, as A5 print
#      data always does) and shows whole;
#   2. each sample as a JPEG page;
#   3. the sample folder as one PDF document (a folder run: it takes its name
#      and a bookmark list from the samples' information files; one document
#      has the paper of its first page, A4, like every folder print);
#   4. the bookmarks of that list added to the document by kestrel-outliner,
#      started as the bookmark dialog starts its outliner (kestrel-tools
#      outline): <name>_bk.pdf beside it.
# Shows a line per step with the elapsed time, and at the end where each
# file is and how to look at it. Each print writes the command line's note
# that no caller's window was named (-h) on standard error, as every run
# from the command line does.
set -euo pipefail
cd "$(dirname "$0")/.."
# One UTF-8 locale whatever the caller's (none on a fresh machine): the
# notes and file names shown are Japanese UTF-8 text. C.UTF-8 is part of
# every glibc.
export LC_ALL=C.UTF-8
unset LANGUAGE

start=$SECONDS
step() { printf 'run-samples: [%3ds] %s\n' "$((SECONDS - start))" "$*"; }

step "setting up (scripts/setup.sh build: what building kestrel and the samples needs)"
scripts/setup.sh build
step "building kestrel, its tools, the outliner and the sample forms (build/release)"
scripts/build.sh release kestrel kestrel-tools kestrel-outliner examples

run="$PWD/out/samples-$(date +%Y%m%d-%H%M%S)"
examples="$PWD/build/release/examples"
shopt -s nullglob
samples=("$examples"/*.pdat)
if [ "${#samples[@]}" -eq 0 ]; then
  echo "run-samples: no sample forms were built ($examples)" >&2
  exit 1
fi

# base <folder> [settings lines...]: a base folder with its settings file.
base() {
  local folder=$1
  shift
  mkdir -p "$folder/zoq" "$folder/data"
  { printf '[SETTING]\r\n'; printf '%s\r\n' "$@"; } >"$folder/zoq/kestrel.inf"
}

# kestrel <base folder> <arguments...>: one run on the built-in device.
kestrel() {
  local folder=$1
  shift
  KESTREL_BASE="$folder/" KESTREL_NO_CUPS=1 KESTREL_NO_DEBUG_LABEL=1 \
    KESTREL_ANSWERS="Kestrel PDF" build/release/kestrel "$@"
}

status=0
# One run per sample: each is its own document.
each() {
  local folder=$1
  local sample
  cp "${samples[@]}" "$folder/data/"
  for sample in "$folder"/data/*.pdat; do
    local code=0
    kestrel "$folder" -p "$sample" || code=$?
    [ "$code" -eq 0 ] || { echo "run-samples: $(basename "$sample"): exit code $code" >&2; status=1; }
  done
}

step "printing ${#samples[@]} sample forms, each its own PDF document"
base "$run/pdf" '$plog=1'
each "$run/pdf"

step "printing ${#samples[@]} sample forms as JPEG pages"
base "$run/jpeg" '$plog=1' '$jpeg=1'
each "$run/jpeg"

step "printing the sample folder as one PDF document with bookmarks"
base "$run/folder" '$plog=1'
printf '[PDF]\r\n$path=Kestrel PDF\r\n$pdfbk=1\r\n' >>"$run/folder/zoq/kestrel.inf"
cp "${samples[@]}" "$examples"/I*.txt "$run/folder/data/"
code=0
kestrel "$run/folder" -p "$run/folder/data,2" || code=$?
[ "$code" -eq 0 ] || { echo "run-samples: folder run: exit code $code" >&2; status=1; }

step "adding the bookmarks to the folder's PDF (kestrel-tools outline, kestrel-outliner)"
# The default $OutLinerPath: "Program Files/Antenna/Outliner/OutlinerCmd.exe"
# under the base folder.
outliner_dir="$run/folder/Program Files/Antenna/Outliner"
mkdir -p "$outliner_dir"
ln -sf "$PWD/build/release/kestrel-outliner" "$outliner_dir/OutlinerCmd.exe"
for csv in "$run"/folder/vpdf/*.csv; do
  code=0
  KESTREL_BASE="$run/folder/" KESTREL_NO_CUPS=1 build/release/kestrel-tools outline "${csv%.csv}.pdf" "$csv" \
    >/dev/null || code=$?
  [ "$code" -eq 0 ] || { echo "run-samples: bookmarks: exit code $code" >&2; status=1; }
done

step "done"
echo
echo "PDF documents, one per sample (open with any PDF viewer, e.g. evince or xdg-open):"
find "$run/pdf/vpdf" -type f -name '*.pdf' | sort | sed 's/^/  /'
echo "JPEG pages, beside the copied print data (any image viewer):"
find "$run/jpeg/data" -type f -iname '*.jp*g' | sort | sed 's/^/  /'
echo "The folder run: one PDF named from the information files, its bookmark list (CSV) and the PDF with"
echo "those bookmarks (_bk.pdf; qpdf --json --json-key=outlines FILE lists them):"
find "$run/folder/vpdf" -type f | sort | sed 's/^/  /'
echo "Job and program logs (Shift-JIS: iconv -f CP932 -t UTF-8 FILE): $run/*/zoq/plog"
exit $status
