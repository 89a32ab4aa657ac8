#!/usr/bin/env bash
# Grabs the desktop windows (the message box, the progress form, the device
# dialog) under a private X server and copies them into docs/screenshots/.
# Needs a release build, Xvfb, xdotool and ImageMagick.
set -euo pipefail
cd "$(dirname "$0")/.."
export KESTREL_NO_CUPS=1
rm -rf build/release/screenshots
build/release/tests/kestrel_e2e_tests --gtest_filter='Desktop.*'
mkdir -p docs/screenshots
cp build/release/screenshots/*.png docs/screenshots/
ls docs/screenshots
build/release/tests/kestrel_e2e_tests --gtest_filter='DesktopMenu.*' && cp build/release/screenshots/system-menu-*.png docs/screenshots/
