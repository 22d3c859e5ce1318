#!/usr/bin/env bash
# Builds the Debian package in BUILD_DIR (default build-package/) and prints its path:
#   scripts/package.sh [BUILD_DIR]
# A GCC Release build without the sanitizers, with Debian's hardening flags and warnings as errors
# (the GCC gate of scripts/check-gates.sh); the programs are
# static-linked to the project's own libraries. Install it with: apt install ./build-package/tagwright_*.deb
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-package}"

"$root/scripts/install-deps.sh" >&2

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# GCC 12 at -O3 with _FORTIFY_SOURCE sees overlapping copies in std::string's own concatenation that
# cannot happen (GCC bug 105329): -Wrestrict stays a warning here, every other warning an error.
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS) -Wno-error=restrict"
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
export CXXFLAGS LDFLAGS
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
# The flags are given on every run: CMake reads CXXFLAGS and LDFLAGS only when it sets a build up.
CC=gcc CXX=g++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAGWRIGHT_SANITIZE=OFF \
  -DCMAKE_CXX_FLAGS="$CXXFLAGS" -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" \
  -DTAGWRIGHT_WERROR=ON "${launcher[@]}" -DTAGWRIGHT_BUILD_TESTS=OFF -DTAGWRIGHT_BUILD_BENCHMARKS=OFF -DTAGWRIGHT_BUILD_FUZZERS=OFF >&2
cmake --build "$build" -j2 >&2
rm -f "$build"/tagwright_*.deb
cmake --build "$build" --target package >&2
ls "$build"/tagwright_*.deb
