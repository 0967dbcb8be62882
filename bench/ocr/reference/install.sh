#!/usr/bin/env bash
# Installs the models' reference pipeline (@gutenye/ocr-node and what it takes)
# from package.json and package-lock.json beside this script, with `npm ci
# --ignore-scripts` (onnxruntime-node's install script downloads more and fails
# here; sharp's binaries come as npm packages of their own), into a cache
# folder outside the tree named after the two files' contents, once. Prints the
# folder; read.mjs is copied into it, since Node finds the packages from the
# script's own folder.
#   usage: bench/ocr/reference/install.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=${ORNIVEX_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/ornivex}/ocr-reference
key=$(cat "$here/package.json" "$here/package-lock.json" | sha256sum | cut -c1-16)
dest=$cache/$key
if [ ! -f "$dest/.installed" ]; then
  command -v npm >/dev/null || { echo "reference: npm is missing (scripts/setup.sh installs it)" >&2; exit 1; }
  rm -rf "$dest"
  mkdir -p "$dest"
  cp "$here/package.json" "$here/package-lock.json" "$dest/"
  (cd "$dest" && npm ci --ignore-scripts --no-audit --no-fund --silent) >&2
  touch "$dest/.installed"
fi
cp "$here/read.mjs" "$dest/read.mjs"
echo "$dest"
