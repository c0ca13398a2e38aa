#!/usr/bin/env bash
# Builds the Debian package of Corvane with Debian's build flags and prints
# its path as the last line.
#   scripts/package.sh [build-dir]      (default: build-deb)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh package >&2
build=${1:-build-deb}
# Debian's flags, with all hardening; given on the command line so that they
# hold for a build folder configured before. CMake takes no CPPFLAGS: the
# fortify define goes in with the C++ flags.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_INSTALL_LIBDIR="lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)" -DBUILD_TESTING=OFF \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" -DCMAKE_MODULE_LINKER_FLAGS="$ldflags" \
  -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" >&2
cmake --build "$build" >&2
rm -f "$build"/corvane_*.deb
(cd "$build" && cpack -G DEB >&2)
ls "$(cd "$build" && pwd)"/corvane_*.deb
