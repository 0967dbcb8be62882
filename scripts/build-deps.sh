#!/usr/bin/env bash
# Cross-builds libpng and libjpeg-turbo for mingw-w64 from Debian's own source
# packages (zlib comes from libz-mingw-w64-dev). The result is cached under
# <build-root>/deps/install; a second run does nothing.
#   usage: scripts/build-deps.sh [build-root]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
root=$(mkdir -p "${1:-$here/build}" && cd "${1:-$here/build}" && pwd)
deps="$root/deps"
prefix="$deps/install"
toolchain="$here/cmake/mingw-w64-x86_64.cmake"

if [ -f "$prefix/lib/libpng16.a" ] && [ -f "$prefix/lib/libjpeg.a" ]; then
  exit 0
fi
mkdir -p "$deps/src" "$prefix"

# Fetches and unpacks a source package, trying the versions the archive lists
# from newest to oldest (a version may be listed without its files being served).
fetch_source() {
  local pkg=$1 dir
  dir=$(find "$deps/src" -maxdepth 1 -type d -name "$pkg-*" | head -n 1)
  if [ -n "$dir" ]; then echo "$dir"; return 0; fi
  local versions
  versions=$(apt-cache showsrc "$pkg" | sed -n 's/^Version: //p' | sort -r -V -u)
  for v in $versions; do
    if (cd "$deps/src" && apt-get source -qq "$pkg=$v" >/dev/null 2>&1); then
      find "$deps/src" -maxdepth 1 -type d -name "$pkg-*" | head -n 1
      return 0
    fi
  done
  echo "build-deps: cannot fetch the source of $pkg" >&2
  return 1
}

build() { # name source-dir cmake-args...
  local name=$1 src=$2; shift 2
  cmake -S "$src" -B "$deps/build-$name" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" "$@" >/dev/null
  cmake --build "$deps/build-$name" >/dev/null
  cmake --install "$deps/build-$name" >/dev/null
}

png_src=$(fetch_source libpng1.6)
jpeg_src=$(fetch_source libjpeg-turbo)

build png "$png_src" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
  -DZLIB_LIBRARY=/usr/x86_64-w64-mingw32/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/x86_64-w64-mingw32/include
build jpeg "$jpeg_src" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF \
  -DCMAKE_INSTALL_LIBDIR="$prefix/lib"
echo "build-deps: libpng and libjpeg installed in $prefix"
