#!/usr/bin/env bash
# Starts a private CUPS server for the printing tests; the machine's own CUPS
# server, its configuration and its queues are never touched.
#
#   scripts/start-cups.sh [FOLDER [FILTER]]
#
# Everything of the server lives in FOLDER (default: a new folder under
# /tmp): configuration, spool, logs, and the output of its queues. It listens
# only on the domain socket FOLDER/cups.sock; clients reach it with
#   CUPS_SERVER=FOLDER/cups.sock
# Two queues print through the backend "kestrel" of this server, which turns
# each job into FOLDER/out/job_<id>.pdf:
#   KestrelPDF     a PostScript printer of ours (kestrel-test-pdf.ppd: A4 by
#                  default, JIS B4, a paper without a Windows constant),
#                  one-sided
#   KestrelDuplex  CUPS' generic PostScript driver with its duplex unit
#                  installed, two-sided
# FILTER (a built pdattopdf) makes print data a document format of this
# server alone: the program goes into the server's own filter folder and
# the MIME files of packaging/cups/ into its configuration folder. A third
# queue then takes PDF as it is, so that the text of a page stays readable:
#   KestrelPdfIn   the printer of KestrelPDF taking PDF (after pdftopdf)
# Prints FOLDER on standard output. Needs root (cupsd runs its filters as lp).
# scripts/stop-cups.sh FOLDER stops the server and removes FOLDER.
# Idempotent for one FOLDER: a server already running there is kept.
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then
  echo "start-cups: needs root (cupsd runs its filters as user lp)" >&2
  exit 1
fi
command -v cupsd >/dev/null && command -v lpadmin >/dev/null && command -v gs >/dev/null || {
  echo "start-cups: cupsd, lpadmin or gs missing (scripts/setup.sh installs them)" >&2
  exit 1
}

here=$(cd "$(dirname "$0")" && pwd)
dir=${1:-}
filter=${2:-}
if [ -n "$filter" ] && [ ! -x "$filter" ]; then
  echo "start-cups: $filter is not a program" >&2
  exit 1
fi
if [ -z "$dir" ]; then
  dir=$(mktemp -d /tmp/kestrel-cups.XXXXXX)
fi
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
sock="$dir/cups.sock"
if [ "${#sock}" -gt 100 ]; then
  echo "start-cups: folder path too long for a socket: $dir" >&2
  exit 1
fi
# The marker tells stop-cups.sh that this folder is a server folder it may remove.
touch "$dir/kestrel-cups-server"
export CUPS_SERVER="$sock"

exec 9>"$dir/lock"
flock 9

running() { lpstat -h "$sock" -r 2>/dev/null | grep -q "is running"; }

# Copies FILTER into the server's filter folder, anew on every start (the
# build may have changed it). A sanitizer build reports no leaks here (the
# font library's caches live to the end).
install_filter() {
  install -m 755 "$filter" "$dir/bin/filter/pdattopdf.bin"
  # A file of its own, never written through a link to the machine's filter
  # of the same name (an installed kestrel package has one).
  rm -f "$dir/bin/filter/pdattopdf"
  cat >"$dir/bin/filter/pdattopdf" <<'EOF'
#!/bin/sh
ASAN_OPTIONS=detect_leaks=0 exec "$(dirname "$0")/pdattopdf.bin" "$@"
EOF
  chmod 755 "$dir/bin/filter/pdattopdf"
}

if ! running; then
  mkdir -p "$dir/etc/ppd" "$dir/spool/tmp" "$dir/cache" "$dir/state" "$dir/log" "$dir/out" "$dir/bin/backend"
  # cupsd drops to lp for filters; they must reach the spool inside the folder.
  chmod 755 "$dir"
  chown lp "$dir/out"
  for sub in filter daemon driver cgi-bin monitor notifier; do
    [ -e "/usr/lib/cups/$sub" ] && ln -sfn "/usr/lib/cups/$sub" "$dir/bin/$sub"
  done
  if [ -n "$filter" ]; then
    # The system's filters and ours, in a filter folder of this server.
    rm -f "$dir/bin/filter"
    mkdir -p "$dir/bin/filter"
    for f in /usr/lib/cups/filter/*; do
      [ "${f##*/}" = pdattopdf ] || ln -s "$f" "$dir/bin/filter/"
    done
    cp "$here/../packaging/cups/kestrel.types" "$here/../packaging/cups/kestrel.convs" "$dir/etc/"
    install_filter
  fi
  # The only backend: writes the job (PostScript or PDF) as a PDF file into
  # the folder named by the device URI "kestrel:<folder>".
  cat >"$dir/bin/backend/kestrel" <<'EOF'
#!/bin/sh
if [ $# -eq 0 ]; then
  echo 'file kestrel "Unknown" "Kestrel test output"'
  exit 0
fi
out=${DEVICE_URI#kestrel:}
in="$out/.job_$1.in"
if [ -n "${6:-}" ]; then cat "$6" >"$in"; else cat >"$in"; fi
gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pdfwrite -sOutputFile="$out/.job_$1.pdf" "$in" >&2
rc=$?
rm -f "$in"
[ $rc -eq 0 ] && chmod 644 "$out/.job_$1.pdf" && mv "$out/.job_$1.pdf" "$out/job_$1.pdf"
exit $rc
EOF
  # Backends owned by root and readable by no one else run as root.
  chmod 700 "$dir/bin/backend/kestrel"

  cat >"$dir/etc/cups-files.conf" <<EOF
ServerRoot $dir/etc
ServerBin $dir/bin
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
ServerKeychain $dir/state/ssl
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
User lp
Group lp
SystemGroup root
FileDevice No
EOF
  cat >"$dir/etc/cupsd.conf" <<EOF
Listen $sock
Browsing No
BrowseLocalProtocols none
WebInterface No
DefaultAuthType None
LogLevel warn
MaxJobs 0
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  JobPrivateAccess all
  JobPrivateValues none
  SubscriptionPrivateAccess all
  SubscriptionPrivateValues none
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
  # The server must not hold the set-up lock.
  setsid cupsd -f -c "$dir/etc/cupsd.conf" -s "$dir/etc/cups-files.conf" 9>&- \
    >"$dir/log/cupsd.out" 2>&1 </dev/null &
  echo $! >"$dir/cupsd.pid"
  # lpstat's exit code does not tell whether the server runs; its text does.
  for _ in $(seq 1 100); do
    running && break
    sleep 0.1
  done
  if ! running; then
    echo "start-cups: cupsd did not start in $dir" >&2
    cat "$dir/log/cupsd.out" "$dir/log/error_log" >&2 2>/dev/null || true
    exit 1
  fi
fi

if [ -n "$filter" ]; then
  if [ ! -f "$dir/etc/kestrel.convs" ]; then
    echo "start-cups: the server in $dir was started without the print-data filter; stop it first" >&2
    exit 1
  fi
  install_filter
fi
if ! lpstat -p KestrelPDF >/dev/null 2>&1; then
  lpadmin -p KestrelPDF -E -v "kestrel:$dir/out" -P "$here/kestrel-test-pdf.ppd" \
    -o media-default=iso_a4_210x297mm 2>/dev/null
fi
if ! lpstat -p KestrelDuplex >/dev/null 2>&1; then
  lpadmin -p KestrelDuplex -E -v "kestrel:$dir/out" -m drv:///sample.drv/generic.ppd -o Option1=True \
    -o media-default=iso_a4_210x297mm 2>/dev/null
fi
queues="KestrelPDF KestrelDuplex"
if [ -n "$filter" ]; then
  if ! lpstat -p KestrelPdfIn >/dev/null 2>&1; then
    sed '/^\*TTRasterizer/a *cupsFilter2: "application/vnd.cups-pdf application/pdf 0 -"' \
      "$here/kestrel-test-pdf.ppd" >"$dir/etc/kestrel-test-pdfin.ppd"
    lpadmin -p KestrelPdfIn -E -v "kestrel:$dir/out" -P "$dir/etc/kestrel-test-pdfin.ppd" \
      -o media-default=iso_a4_210x297mm 2>/dev/null
  fi
  queues="$queues KestrelPdfIn"
fi
# shellcheck disable=SC2086
cupsenable $queues
# shellcheck disable=SC2086
cupsaccept $queues
echo "$dir"
