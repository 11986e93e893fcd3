#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package: a Release build of the two programs (no tests, no benchmarks)
# installed under /usr, packed by CPack. Prints the .deb's path on its last line.
#
#   scripts/package.sh [BUILD_DIR]     default build/release (the demo's build, reused)
#
# Needs what scripts/install-deps.sh installs (dpkg-shlibdeps comes with dpkg-dev).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/release}
command -v ccache >/dev/null && export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
# Debian's hardening: fortified C library calls, a stack protector, read-only relocations
# bound at start.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DNIMBORA_TESTS=OFF -DNIMBORA_BENCH=OFF -DNIMBORA_SANITIZE=OFF \
  "-DCMAKE_CXX_FLAGS=-D_FORTIFY_SOURCE=2 -fstack-protector-strong" \
  "-DCMAKE_EXE_LINKER_FLAGS=-Wl,-z,relro -Wl,-z,now" >/dev/null
cmake --build "$build" --target nimbora nimbora-cli nimbora_package_files
rm -f "$build"/nimbora_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/nimbora_*.deb)
echo "$(cd "$(dirname "$deb")" && pwd)/$(basename "$deb")"
