#!/usr/bin/env bash
# Grabs the analysis tabs and the font settings window under a private X
# server into docs/screenshots/: an analysis run of the invoice sample
# (kestrel-tools analyse) gives the log and the page shown.
# Needs a release build (kestrel-tools, examples, kestrel_qt_analysis_tests) and Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
base=$(mktemp -d /tmp/kestrel-shots.XXXXXX)
trap 'rm -rf "$base"' EXIT
export KESTREL_NO_CUPS=1 KESTREL_NO_DEBUG_LABEL=1
out=$(KESTREL_BASE="$base/" KESTREL_ANSWERS= build/release/kestrel-tools analyse build/release/examples/invoice.pdat)
log=$(printf '%s\n' "$out" | sed -n 2p)
mkdir -p docs/screenshots
KESTREL_SCREENSHOTS="$PWD/docs/screenshots" KESTREL_SHOT_LOG="$log" KESTREL_SHOT_IMAGE="${log%.txt}.jpg" \
  KESTREL_MESSAGES= QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
  build/release/tests/qt/kestrel_qt_analysis_tests screenshots
ls docs/screenshots
