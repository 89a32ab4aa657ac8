#!/usr/bin/env bash
# Tries the two commands of the README as a new user does on a fresh Debian 12
# machine: makes a minimal Debian 12 root (debootstrap --variant=minbase, from
# the Debian mirror), clones the current branch of this repository into it
# (/root/kestrel; what is committed, nothing else) and runs there, as root,
# with no locale and a clean environment,
#   ./scripts/run-samples.sh
#   ./scripts/test.sh
# reporting the time and exit code of each, and then whether the root's /tmp
# or /root gained entries. Every line of both runs goes to the terminal and to
# FOLDER.log.
#
#   scripts/fresh-machine.sh [FOLDER]          default FOLDER: build/fresh-machine
#   scripts/fresh-machine.sh --again [FOLDER]  after a failure: keeps the root with what it
#                                              installed and built, brings its clone to the
#                                              branch's head and runs ./scripts/test.sh alone
#
# Needs root and the network (installs debootstrap with apt-get when it is
# missing). Slow: nothing is cached in the new root (expect most of an hour).
# The root's /proc, /sys, /dev, /dev/pts and /dev/shm are mounted for the runs
# and unmounted on every exit; the programs left in the root are ended. The
# root stays for a look afterwards (it is made anew on the next run); remove
# it with: rm -rf FOLDER (once nothing is mounted under it).
# Debian mirror: KESTREL_DEBIAN_MIRROR, default http://deb.debian.org/debian.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

if [ "$(id -u)" -ne 0 ]; then
  echo "fresh-machine: needs root (debootstrap, chroot, mounts)" >&2
  exit 1
fi
again=0
if [ "${1:-}" = "--again" ]; then
  again=1
  shift
fi
root=${1:-$repo/build/fresh-machine}
mkdir -p "$(dirname "$root")"
root=$(cd "$(dirname "$root")" && pwd)/$(basename "$root")
mirror=${KESTREL_DEBIAN_MIRROR:-http://deb.debian.org/debian}
branch=$(git rev-parse --abbrev-ref HEAD)
commit=$(git rev-parse --short HEAD)
log=$root.log
[ "$again" = 1 ] && log=$root.again.log
: >"$log"
say() { printf 'fresh-machine: %s\n' "$*" | tee -a "$log"; }

# Mounted file systems under the root, deepest first.
mounts_under() { awk -v r="$1" '$2 == r || index($2, r "/") == 1 { print $2 }' /proc/self/mounts | sort -r; }
cleanup() {
  local code=$? proc pid
  # The programs still running in the root (a server a run left) end first.
  for proc in /proc/[0-9]*; do
    pid=${proc#/proc/}
    [ "$(readlink "$proc/root" 2>/dev/null)" = "$root" ] || continue
    say "ending a program left in the root: $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | cut -c1-80) ($pid)"
    kill -9 "$pid" 2>/dev/null || true
  done
  local m
  for m in $(mounts_under "$root"); do
    umount "$m" 2>/dev/null || umount -l "$m" || true
  done
  [ -z "$(mounts_under "$root")" ] || say "WARNING: still mounted under $root: $(mounts_under "$root" | tr '\n' ' ')"
  exit "$code"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

command -v debootstrap >/dev/null || {
  say "installing debootstrap"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends debootstrap >>"$log" 2>&1 || {
    apt-get update -q >>"$log" 2>&1
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends debootstrap >>"$log" 2>&1
  }
}

if [ "$again" = 1 ]; then
  [ -d "$root/root/kestrel/.git" ] || { say "no root of an earlier run in $root" >&2; exit 1; }
  [ -z "$(mounts_under "$root")" ] || { say "something is mounted under $root already" >&2; exit 1; }
  git -C "$root/root/kestrel" fetch --quiet "$repo" "$branch"
  git -C "$root/root/kestrel" reset --quiet --hard FETCH_HEAD
  say "again in the root of the last run: /root/kestrel now at $branch ($commit)"
elif [ -e "$root" ]; then
  [ -z "$(mounts_under "$root")" ] || { say "something is mounted under $root; not removing it" >&2; exit 1; }
  rm -rf --one-file-system "$root"
fi
if [ "$again" = 0 ]; then
start=$SECONDS
say "making a minimal Debian 12 root in $root (debootstrap --variant=minbase bookworm $mirror)"
debootstrap --variant=minbase bookworm "$root" "$mirror" >>"$log" 2>&1 ||
  { say "debootstrap failed (see $log)"; exit 1; }
# The sources of a fresh installation: the release, its updates, security.
security=${mirror%/debian}/debian-security
[ "$security" != "$mirror/debian-security" ] || security=http://deb.debian.org/debian-security
cat >"$root/etc/apt/sources.list" <<EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb $security bookworm-security main
EOF
cp /etc/resolv.conf "$root/etc/resolv.conf"
# No service starts inside the root (the package scripts of cups would start
# the machine's cupsd there; a real machine starts it, the tests never use it).
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"
say "root made in $((SECONDS - start)) s"

git clone --quiet --no-local --branch "$branch" "$repo" "$root/root/kestrel"
say "cloned branch $branch ($commit) into /root/kestrel"
fi

mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
mount --bind /dev "$root/dev"
mount --make-private "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
mount -t tmpfs -o mode=1777 shm "$root/dev/shm"

listing() { find "$1" -mindepth 1 -maxdepth 1 -printf '%f\n' 2>/dev/null | LC_ALL=C sort; }
tmp_before=$(listing "$root/tmp")
home_before=$(listing "$root/root")

# run <command>: one README command in the root, as root, with no locale.
results=()
status=0
run() {
  local begin=$SECONDS code=0
  say "running $1 in /root/kestrel"
  env -i HOME=/root TERM="${TERM:-dumb}" PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    chroot "$root" /bin/bash -c "cd /root/kestrel && $1" 2>&1 | tee -a "$log" || code=${PIPESTATUS[0]}
  local took=$((SECONDS - begin))
  results+=("$(printf '%-26s exit %d after %dm%02ds' "$1" "$code" $((took / 60)) $((took % 60)))")
  [ "$code" -eq 0 ] || status=1
}
[ "$again" = 1 ] || run ./scripts/run-samples.sh
run ./scripts/test.sh

left_tmp=$(comm -13 <(printf '%s\n' "$tmp_before") <(listing "$root/tmp") | grep -vx '.X11-unix' || true)
left_home=$(comm -13 <(printf '%s\n' "$home_before") <(listing "$root/root") | grep -vx 'kestrel' || true)
say "summary (Debian $(cat "$root/etc/debian_version"), branch $branch $commit):"
for r in "${results[@]}"; do say "  $r"; done
if [ -n "$left_tmp$left_home" ]; then
  say "  left in /tmp: ${left_tmp:-nothing}; left in /root: ${left_home:-nothing}" | tr '\n' ' '
  echo
  status=1
else
  say "  nothing left in /tmp or /root (besides the clone /root/kestrel and the X servers' /tmp/.X11-unix)"
fi
say "full log: $log"
exit $status
