#!/usr/bin/env bash
# Prints the sample forms (build/<configuration>/examples) through kestrel on the
# built-in device "Kestrel PDF" (CUPS hidden) and writes a fingerprint of
# everything a run leaves behind, so that two builds can be compared byte for
# byte:
#   scripts/compare-outputs.sh FINGERPRINT [configuration]
#   diff before.txt after.txt
# Three runs per sample, each on a scratch base folder: JPEG pages ($jpeg=1),
# a PDF document (vpdf/<title>.pdf) and an analysis run ($alog=1); then one
# folder run to PDF with bookmarks. The fingerprint holds the hash of every
# JPEG page's pixels (as djpeg decodes them), the PDF page count, text (pdftotext) and pixels (pdftoppm, 20 dpi),
# the settings file, the bookmark list and the logs with their times and the
# scratch folder's name replaced.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:?usage: compare-outputs.sh FINGERPRINT [configuration]}
config=${2:-release}
program="$PWD/build/$config/kestrel"
examples="$PWD/build/$config/examples"
[ -x "$program" ] || { echo "compare-outputs: $program is not built" >&2; exit 1; }
shopt -s nullglob
samples=("$examples"/*.pdat)
[ "${#samples[@]}" -gt 0 ] || { echo "compare-outputs: no sample forms in $examples" >&2; exit 1; }

scratch=$(mktemp -d /tmp/kestrel-compare.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
: >"$out"
out=$(realpath "$out")

# base <folder> [settings lines...]: a base folder with its settings file.
base() {
  local folder=$1
  shift
  mkdir -p "$folder/zoq" "$folder/data"
  { printf '[SETTING]\r\n'; printf '%s\r\n' "$@"; } >"$folder/zoq/kestrel.inf"
}

run() {
  local folder=$1
  shift
  local code=0
  KESTREL_BASE="$folder/" KESTREL_NO_CUPS=1 KESTREL_NO_DEBUG_LABEL=1 KESTREL_ANSWERS="Kestrel PDF" \
    KESTREL_MESSAGES= "$program" "$@" >/dev/null 2>"$folder/stderr" || code=$?
  echo "exit $code" >>"$out"
}

# Text of a file with the scratch folder, dates and times made constant.
normalised() {
  iconv -f CP932 -t UTF-8 "$1" 2>/dev/null | sed -E \
    -e "s#$scratch#<scratch>#g" \
    -e 's#[0-9]{8}_[0-9]{6}#<stamp>#g' \
    -e 's#[0-9]{4}[/-][0-9]{2}[/-][0-9]{2}#<date>#g' \
    -e 's#[0-9]{1,2}:[0-9]{2}:[0-9]{2}(\.[0-9]+)?#<time>#g' \
    -e 's#[0-9]{4}年[0-9]{1,2}月[0-9]{1,2}日#<date>#g' \
    -e 's#[0-9]{1,2}時[0-9]{1,2}分[0-9]{1,2}秒#<time>#g' \
    -e 's#(Mon|Tue|Wed|Thu|Fri|Sat|Sun) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) +[0-9]+ <time> [0-9]{4}#<date-time>#g' \
    -e 's#0x[0-9a-f]+#<address>#g'
}

# record <folder>: every file the runs left in the folder, in name order.
record() {
  local folder=$1 file rel
  while IFS= read -r file; do
    rel=${file#"$folder"/}
    rel=$(printf '%s' "$rel" | sed -E 's#[0-9]{8}_[0-9]{6}#<stamp>#g')
    case "$file" in
      *.pdat | */I*.txt) [[ "$rel" == data/* ]] && continue ;;
    esac
    case "$file" in
      *.jpg | *.jpeg | *.JPG)
        echo "== $rel jpeg pixels $(djpeg -pnm "$file" | sha256sum | cut -c1-64)" >>"$out" ;;
      *.pdf)
        echo "== $rel pdf pages $(pdfinfo "$file" | sed -n 's/^Pages: *//p')" >>"$out"
        pdftotext -layout "$file" - >>"$out"
        echo "pixels $(pdftoppm -r 20 -gray "$file" | sha256sum | cut -c1-64)" >>"$out" ;;
      */stderr)
        echo "== $rel" >>"$out"
        sed -e "s#$scratch#<scratch>#g" "$file" >>"$out" ;;
      *)
        echo "== $rel" >>"$out"
        normalised "$file" >>"$out" ;;
    esac
  done < <(find "$folder" -type f | LC_ALL=C sort)
}

for sample in "${samples[@]}"; do
  name=$(basename "$sample" .pdat)
  for kind in jpeg pdf analysis; do
    folder="$scratch/$name-$kind"
    case $kind in
      jpeg) base "$folder" '$plog=1' '$jpeg=1' ;;
      pdf) base "$folder" '$plog=1' ;;
      analysis) base "$folder" '$plog=1' '$alog=1' ;;
    esac
    cp "$sample" "$folder/data/"
    echo "#### $name $kind" >>"$out"
    run "$folder" -p "$folder/data/$name.pdat"
    record "$folder"
  done
done

folder="$scratch/folder"
base "$folder" '$plog=1'
printf '[PDF]\r\n$path=Kestrel PDF\r\n$pdfbk=1\r\n' >>"$folder/zoq/kestrel.inf"
cp "${samples[@]}" "$examples"/I*.txt "$folder/data/"
echo "#### folder run" >>"$out"
run "$folder" -p "$folder/data,2"
record "$folder"
echo "compare-outputs: fingerprint of ${#samples[@]} samples in $out ($(wc -l <"$out") lines)"
