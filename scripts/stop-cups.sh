#!/usr/bin/env bash
# Stops the private CUPS server that scripts/start-cups.sh started in FOLDER
# and removes FOLDER with its spool, logs and printed files.
#
#   scripts/stop-cups.sh FOLDER
set -uo pipefail

dir=${1:-}
if [ -z "$dir" ] || [ ! -f "$dir/kestrel-cups-server" ]; then
  echo "stop-cups: '$dir' is not a folder of scripts/start-cups.sh; nothing done" >&2
  exit 0
fi
if [ -f "$dir/cupsd.pid" ]; then
  pid=$(cat "$dir/cupsd.pid")
  # Only the cupsd started for this folder.
  if [ -r "/proc/$pid/cmdline" ] && tr '\0' ' ' <"/proc/$pid/cmdline" | grep -q "cupsd .*$dir/etc/cupsd.conf"; then
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 1 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null || true
  fi
fi
rm -rf "$dir"
echo "stop-cups: stopped and removed $dir"
