#!/usr/bin/env bash
# Starts a CUPS server for the end-to-end printing tests (no systemd: cupsd
# runs in the foreground mode in the background) and makes two queues on the
# cups-pdf backend:
#   KestrelPDF     the cups-pdf driver, one-sided, A4 by default
#   KestrelDuplex  CUPS' generic PostScript driver with its duplex unit
#                  installed, two-sided
# Idempotent: a running server and existing queues are kept. Needs root.
# cups-pdf writes what it prints under the submitting user's ~/PDF, named
# "<title>-job_<id>.pdf" (the queues use their own cups-pdf instance,
# "kestrel", whose configuration labels every file with its job id).
# scripts/stop-cups.sh removes the queues and stops a server started here.
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then
  echo "start-cups: needs root (cupsd and lpadmin)" >&2
  exit 1
fi

state=/run/kestrel-cups
mkdir -p /run/cups "$state"

running() { lpstat -r 2>/dev/null | grep -q "is running"; }

if ! running; then
  cupsd -f >"$state/cupsd.log" 2>&1 &
  echo $! >"$state/cupsd.pid"
  # lpstat's exit code does not tell whether the server runs; its text does.
  for _ in $(seq 1 100); do
    running && break
    sleep 0.1
  done
  if ! running; then
    echo "start-cups: cupsd did not start" >&2
    cat "$state/cupsd.log" >&2 || true
    exit 1
  fi
fi

printf '%s\n' 'Out ${HOME}/PDF' 'Label 2' 'Grp lpadmin' 'DecodeHexStrings 1' >/etc/cups/cups-pdf-kestrel.conf

if ! lpstat -p KestrelPDF >/dev/null 2>&1; then
  lpadmin -p KestrelPDF -E -v cups-pdf:/kestrel -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd \
    -o media-default=iso_a4_210x297mm 2>/dev/null
fi
if ! lpstat -p KestrelDuplex >/dev/null 2>&1; then
  lpadmin -p KestrelDuplex -E -v cups-pdf:/kestrel -m drv:///sample.drv/generic.ppd -o Option1=True \
    -o media-default=iso_a4_210x297mm 2>/dev/null
fi
lpadmin -p KestrelPDF -v cups-pdf:/kestrel
lpadmin -p KestrelDuplex -v cups-pdf:/kestrel
cupsenable KestrelPDF KestrelDuplex
cupsaccept KestrelPDF KestrelDuplex
echo "start-cups: server running with queues KestrelPDF and KestrelDuplex"
