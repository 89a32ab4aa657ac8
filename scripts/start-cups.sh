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
# One set-up at a time (test programs run it in parallel).
exec 9>"$state/lock"
flock 9

running() { lpstat -r 2>/dev/null | grep -q "is running"; }

if ! running; then
  # The server must not hold the set-up lock.
  setsid cupsd -f 9>&- >"$state/cupsd.log" 2>&1 &
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

conf=/etc/cups/cups-pdf-kestrel.conf
want=$(printf '%s\n' 'Out ${HOME}/PDF' 'Label 2' 'Grp lpadmin' 'DecodeHexStrings 1')
[ "$(cat "$conf" 2>/dev/null)" = "$want" ] || printf '%s\n' "$want" >"$conf"

if ! lpstat -p KestrelPDF >/dev/null 2>&1; then
  lpadmin -p KestrelPDF -E -v cups-pdf:/kestrel -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd \
    -o media-default=iso_a4_210x297mm 2>/dev/null
fi
if ! lpstat -p KestrelDuplex >/dev/null 2>&1; then
  lpadmin -p KestrelDuplex -E -v cups-pdf:/kestrel -m drv:///sample.drv/generic.ppd -o Option1=True \
    -o media-default=iso_a4_210x297mm 2>/dev/null
fi
# Queues made by an earlier version of this script print through the
# shared cups-pdf instance; move them to ours (only then: a change of a
# queue disturbs jobs it is printing).
for q in KestrelPDF KestrelDuplex; do
  lpstat -v "$q" 2>/dev/null | grep -q "cups-pdf:/kestrel\$" || lpadmin -p "$q" -v cups-pdf:/kestrel
done
cupsenable KestrelPDF KestrelDuplex
cupsaccept KestrelPDF KestrelDuplex
echo "start-cups: server running with queues KestrelPDF and KestrelDuplex"
