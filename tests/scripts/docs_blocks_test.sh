#!/usr/bin/env bash
# The shell blocks of the README and the guides that a reader copies and
# runs: every fenced block of README.md and docs/*.md marked by the line
# "<!-- runnable -->" just before its fence runs here, as written, with
# bash -euo pipefail, and the test fails naming the file and line of each
# block that fails (or of a marker that marks no block).
#   docs_blocks_test.sh SOURCE_DIR BUILD_DIR
# Each block runs in a scratch folder of its own under BUILD_DIR/test-docs,
# which stands for the repository's root: it is the working folder and the
# base folder (KESTREL_BASE), links examples/ to the sample texts and
# build/release/examples/ to the built sample forms, and holds TMPDIR and
# HOME. The built programs come first on PATH; CUPS is hidden
# (KESTREL_NO_CUPS=1, and libcups pointed at no server) and messages go to
# standard error (KESTREL_UI=headless).
set -uo pipefail
source_dir=$(cd "$1" && pwd) build_dir=$(cd "$2" && pwd)
scratch_root="$build_dir/test-docs"
rm -rf "$scratch_root"
mkdir -p "$scratch_root"

# Blocks of a file as records "LINE<TAB>TEXT" with the text's line feeds as
# \x1e; a marker that no fence follows is a record with the text "!".
blocks_of() {
  awk '
    function flush() { printf "%d\t%s\n", start, text; text = "" }
    state == 2 && /^```[ \t]*$/ { flush(); state = 0; next }
    state == 2 { text = text $0 "\036"; next }
    state == 1 && /^```(sh|bash)[ \t]*$/ { state = 2; start = NR; next }
    state == 1 { printf "%d\t!\n", marker; state = 0 }
    /^<!-- runnable -->[ \t]*$/ { state = 1; marker = NR; next }
    END { if (state == 1) printf "%d\t!\n", marker; if (state == 2) printf "%d\t!\n", start }
  ' "$1"
}

failed=0 ran=0
for doc in "$source_dir/README.md" "$source_dir"/docs/*.md; do
  name=${doc#"$source_dir"/}
  while IFS=$'\t' read -r line text; do
    if [ "$text" = "!" ]; then
      printf 'FAIL %s:%s: a runnable marker without a ```sh block after it, or a block without its end\n' "$name" "$line"
      failed=1
      continue
    fi
    scratch="$scratch_root/${name//\//_}-$line"
    mkdir -p "$scratch/build/release" "$scratch/tmp" "$scratch/home"
    ln -s "$source_dir/examples" "$scratch/examples"
    ln -s "$build_dir/examples" "$scratch/build/release/examples"
    script=${text//$'\036'/$'\n'}
    output=$(cd "$scratch" && env -u DISPLAY -u WAYLAND_DISPLAY -u KESTREL_REPORT -u KESTREL_ANSWERS \
      PATH="$build_dir:$PATH" KESTREL_BASE="$scratch/" KESTREL_NO_CUPS=1 CUPS_SERVER="$scratch/no-cups.sock" \
      KESTREL_UI=headless \
      TMPDIR="$scratch/tmp" HOME="$scratch/home" LC_ALL=C.UTF-8 \
      timeout 300 bash -euo pipefail -c "$script" 2>&1 </dev/null)
    status=$?
    ran=$((ran + 1))
    if [ "$status" -ne 0 ]; then
      printf 'FAIL %s:%s: the block ended with exit code %d (scratch folder %s)\n%s\n--- its output:\n%s\n---\n' \
        "$name" "$line" "$status" "$scratch" "$script" "$output"
      failed=1
    else
      printf 'ok   %s:%s\n' "$name" "$line"
      rm -rf "$scratch"
    fi
  done < <(blocks_of "$doc")
done
if [ "$ran" -eq 0 ]; then
  echo "FAIL no runnable block found"
  failed=1
fi
[ "$failed" -eq 0 ] && rm -rf "$scratch_root"
exit "$failed"
