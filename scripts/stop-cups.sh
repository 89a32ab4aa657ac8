#!/usr/bin/env bash
# Removes the queues of scripts/start-cups.sh and stops the CUPS server when
# that script started it.
set -uo pipefail

state=/run/kestrel-cups
for q in KestrelPDF KestrelDuplex; do
  lpadmin -x "$q" 2>/dev/null || true
done
rm -f /etc/cups/cups-pdf-kestrel.conf
if [ -f "$state/cupsd.pid" ]; then
  pid=$(cat "$state/cupsd.pid")
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 1 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  rm -f "$state/cupsd.pid"
fi
echo "stop-cups: done"
