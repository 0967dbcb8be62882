#!/usr/bin/env bash
# Builds libpng and libjpeg-turbo from Debian's own source packages.
#   usage: scripts/build-deps.sh [build-root] [windows|fuzz]
# windows (the default): cross-built for mingw-w64 (zlib comes from
#   libz-mingw-w64-dev), installed in <build-root>/deps/install.
# fuzz: built natively with clang, AddressSanitizer and libFuzzer's coverage
#   instrumentation (zlib is Debian's), installed in <build-root>/deps/fuzz-install,
#   so the fuzz targets explore the decoders' own code.
# The result is cached; a second run does nothing.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
root=$(mkdir -p "${1:-$here/build}" && cd "${1:-$here/build}" && pwd)
flavour=${2:-windows}
deps="$root/deps"
case $flavour in
  windows)
    prefix="$deps/install"
    tag=
    platform=(-DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake")
    zlib=(-DZLIB_LIBRARY=/usr/x86_64-w64-mingw32/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/x86_64-w64-mingw32/include)
    ;;
  fuzz)
    prefix="$deps/fuzz-install"
    tag=fuzz-
    flags="-fsanitize=address,fuzzer-no-link -fno-omit-frame-pointer -g"
    platform=(-DCMAKE_C_COMPILER=clang -DCMAKE_C_FLAGS="$flags" -DCMAKE_POSITION_INDEPENDENT_CODE=ON)
    zlib=()
    ;;
  *) echo "build-deps: unknown flavour $flavour" >&2; exit 2 ;;
esac

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
  cmake -S "$src" -B "$deps/build-$tag$name" -G Ninja "${platform[@]}" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" "$@" >/dev/null
  cmake --build "$deps/build-$tag$name" >/dev/null
  cmake --install "$deps/build-$tag$name" >/dev/null
}

png_src=$(fetch_source libpng1.6)
jpeg_src=$(fetch_source libjpeg-turbo)

build png "$png_src" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF "${zlib[@]}"
build jpeg "$jpeg_src" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF \
  -DCMAKE_INSTALL_LIBDIR="$prefix/lib"
echo "build-deps: libpng and libjpeg ($flavour) installed in $prefix"
