#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian, installs it on this
# machine, prints an installed sample form as a PDF and as a JPEG page with
# the default base folder (KESTREL_BASE unset) as an unprivileged member of
# the group kestrel, and purges the package again. Needs root; skipped (exit
# 0, with the reason) without it, or when a kestrel package is already
# installed here (that one is never replaced or removed). No print queue of
# the machine is reached: the runs hide CUPS and print on the built-in PDF
# device, and the one lp job goes to a private CUPS server of the test; the
# package's MIME files are left out, so the machine's CUPS server never sees
# the new document format.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" -ne 0 ]; then
  echo "test-install: skipped (installing a package needs root)"
  exit 0
fi
if dpkg-query -W -f='${Status}' kestrel 2>/dev/null | grep -q "installed"; then
  echo "test-install: skipped (a kestrel package is installed on this machine already)"
  exit 0
fi

scripts/build.sh package >/dev/null
deb=$(ls build/kestrel_*.deb)
lintian --fail-on error "$deb"
echo "test-install: lintian finds no error in $deb"

base=/var/lib/kestrel
group_made=0
getent group kestrel >/dev/null || group_made=1
# The operator (nobody) works in a folder of /tmp, which anyone can reach (the
# build folder may lie in a home no one else may enter); it is removed at the end.
scratch=$(mktemp -d /tmp/kestrel-install-test.XXXXXX)
cups=
cleanup() {
  [ -n "$cups" ] && [ -d "$cups" ] && scripts/stop-cups.sh "$cups" >/dev/null
  dpkg --purge kestrel >/dev/null 2>&1 || true
  # The package keeps the group it made, as system groups stay; the test
  # leaves the machine as it found it.
  if [ "$group_made" -eq 1 ] && getent group kestrel >/dev/null; then groupdel kestrel; fi
  rm -rf "$scratch"
}
trap cleanup EXIT

fail() {
  echo "test-install: FAILED: $*" >&2
  exit 1
}
# The libraries opened at run time are named once each beside those
# dpkg-shlibdeps finds.
depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n')
for lib in libcups2 libxcb1 libharfbuzz-subset0; do
  [ "$(grep -c "^ *$lib\( \|\$\)" <<<"$depends")" = 1 ] || fail "Depends does not name $lib once: $depends"
done
contents=$(dpkg-deb -c "$deb")
for f in ./usr/share/cups/mime/kestrel.types ./usr/share/cups/mime/kestrel.convs ./usr/lib/cups/filter/pdattopdf; do
  grep -q " $f\$" <<<"$contents" || fail "$f is not in the package"
done
# The machine's CUPS server is never given the new document format: the
# MIME files stay out of this installation (the filter alone is run by hand).
dpkg -i --path-exclude='/usr/share/cups/mime/*' "$deb" >/dev/null

# The tests' private CUPS server, started beside the installed package with
# the installed filter, keeps its copy to itself: the package's pdattopdf
# stays the package's.
cups=$(scripts/start-cups.sh "" /usr/lib/cups/filter/pdattopdf)
verify=$(dpkg --verify kestrel || true)
grep -q " /usr/lib/cups/filter/pdattopdf\$" <<<"$verify" &&
  fail "the private CUPS server changed the installed /usr/lib/cups/filter/pdattopdf"
# An installed sample sent with lp to a PDF queue of that server arrives as
# the invoice's page, drawn by the installed filter.
job=$(CUPS_SERVER="$cups/cups.sock" lp -d KestrelPdfIn /usr/share/kestrel/examples/invoice.pdat |
  sed -n 's/.*KestrelPdfIn-\([0-9]*\).*/\1/p')
[ -n "$job" ] || fail "lp took no job"
for _ in $(seq 600); do [ -s "$cups/out/job_$job.pdf" ] && break; sleep 0.1; done
[ -s "$cups/out/job_$job.pdf" ] || fail "the lp job of invoice.pdat gave no PDF (server log: $cups/log/error_log)"
pdfinfo "$cups/out/job_$job.pdf" | grep -q "^Pages: *1$" || fail "the lp job's PDF is not one page"
pdftotext "$cups/out/job_$job.pdf" - | grep -q "請 求 書" || fail "the lp job's PDF lacks the invoice's text"
scripts/stop-cups.sh "$cups" >/dev/null

[ "$(kestrel --version)" = "kestrel $(dpkg-query -W -f='${Version}' kestrel)" ] || fail "kestrel --version"
man -w kestrel >/dev/null 2>&1 || ! command -v man >/dev/null || fail "no man page kestrel(1)"
man -w kestrel-outliner >/dev/null 2>&1 || ! command -v man >/dev/null || fail "no man page kestrel-outliner(1)"
[ "$(readlink "$base/Program Files/Antenna/Outliner/OutlinerCmd.exe")" = /usr/bin/kestrel-outliner ] ||
  fail "the default outliner path does not lead to kestrel-outliner"
desktop-file-validate /usr/share/applications/kestrel.desktop || fail "the desktop entry"
[ "$(stat -c %G:%a "$base/zoq")" = "kestrel:2775" ] || fail "$base/zoq is not the group's"

# An operator: not root, in the group kestrel, a home of their own.
as_operator() {
  env -u KESTREL_BASE HOME="$scratch" TMPDIR="$scratch" XDG_CONFIG_HOME="$scratch/.config" \
    XDG_DATA_HOME="$scratch/.local/share" XDG_CACHE_HOME="$scratch/.cache" KESTREL_NO_CUPS=1 \
    setpriv --reuid=nobody --regid=kestrel --clear-groups sh -c 'umask 002; exec "$@"' sh "$@"
}
chmod 777 "$scratch"
sample=/usr/share/kestrel/examples/invoice.pdat

as_operator kestrel -p "$sample" 2>"$scratch/pdf.err" || { cat "$scratch/pdf.err" >&2; fail "PDF run"; }
[ -s "$base/vpdf/invoice.pdf" ] || fail "no $base/vpdf/invoice.pdf"
pdfinfo "$base/vpdf/invoice.pdf" | grep -q "^Pages: *1$" || fail "invoice.pdf is not one page"

# The same form as a JPEG page, written into the PDF folder of the base folder.
printf '[SETTING]\r\n$jpeg=1\r\n$jpath=\\vpdf\\\r\n' >"$base/zoq/kestrel.inf"
as_operator kestrel -p "$sample" 2>"$scratch/jpeg.err" || { cat "$scratch/jpeg.err" >&2; fail "JPEG run"; }
[ "$(head -c 3 "$base/vpdf/invoice.jpg" | od -An -tx1 | tr -d ' ')" = "ffd8ff" ] || fail "no JPEG $base/vpdf/invoice.jpg"

# The desktop Ui's module, found by the installed program: the same run with the windows (drawn offscreen).
# Its runtime folder is the operator's own (Qt takes no other and would make one in /tmp).
install -d -m 700 -o nobody "$scratch/runtime"
as_operator env WAYLAND_DISPLAY=kestrel-test QT_QPA_PLATFORM=offscreen KESTREL_UI=qt XDG_RUNTIME_DIR="$scratch/runtime" \
  timeout 60 kestrel -h 1 -p "$sample" 2>"$scratch/qt.err" || { cat "$scratch/qt.err" >&2; fail "desktop Ui run"; }
grep -q "desktop Ui cannot be loaded" "$scratch/qt.err" && fail "the installed program does not find its desktop Ui"

# The CUPS filter as CUPS runs it: the same page as PDF on standard output.
as_operator /usr/lib/cups/filter/pdattopdf 1 nobody invoice 1 "" "$sample" >"$scratch/filter.pdf" 2>"$scratch/filter.err" ||
  { cat "$scratch/filter.err" >&2; fail "pdattopdf"; }
pdfinfo "$scratch/filter.pdf" | grep -q "^Pages: *1$" || fail "the filter's PDF is not one page"
grep -q "^PAGE: 1 1$" "$scratch/filter.err" || fail "no PAGE line from the filter"

echo "test-install: the installed kestrel printed $sample to $base/vpdf/invoice.pdf and invoice.jpg; pdattopdf drew it"
