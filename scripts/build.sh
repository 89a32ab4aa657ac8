#!/usr/bin/env bash
# Configures and builds one configuration: release (default), asan, windows
# (kestrel.exe, pdat.exe, kestrel-tools.exe with mingw-w64), windows-core, or
# package (the Debian package build/kestrel_<version>_<arch>.deb: programs in
# /usr/bin, base folder /var/lib/kestrel); further arguments name the targets to
# build (default: all of them).
set -euo pipefail
cd "$(dirname "$0")/.."
config=${1:-release}
shift || true
jobs=${KESTREL_JOBS:-2}
case "$config" in
  release)
    cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    ninja -C build/release -j"$jobs" "$@" ;;
  asan)
    cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKESTREL_SANITIZE=ON -DKESTREL_BENCH=OFF >/dev/null
    ninja -C build/asan -j"$jobs" "$@" ;;
  package)
    # No tests or benchmarks: only what the package holds.
    cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
      -DKESTREL_DEFAULT_BASE=/var/lib/kestrel -DKESTREL_TESTS=OFF -DKESTREL_BENCH=OFF >/dev/null
    ninja -C build/package -j"$jobs" "$@"
    rm -f build/package/cpack/*.deb
    (cd build/package && cpack -G DEB >/dev/null)
    rm -f build/kestrel_*.deb
    cp build/package/cpack/kestrel_*.deb build/
    ls build/kestrel_*.deb ;;
  windows)
    # The Windows programs, cross-compiled and statically linked.
    cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DKESTREL_BENCH=OFF >/dev/null
    ninja -C build/windows -j"$jobs" "$@" ;;
  windows-core)
    # The platform-free core must compile for Windows too.
    cmake -S . -B build/windows-core -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DKESTREL_CORE_ONLY=ON >/dev/null
    ninja -C build/windows-core -j"$jobs" ;;
  *) echo "build: unknown configuration $config (release, asan, windows, windows-core, package)" >&2; exit 2 ;;
esac
