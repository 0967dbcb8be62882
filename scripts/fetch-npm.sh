#!/usr/bin/env bash
# Fetches an npm package at the exact version and integrity recorded in
# scripts/npm-packages.txt, unpacks it into a cache outside the source tree and
# prints the folder it was unpacked into (the tarball's package/ folder).
#   usage: scripts/fetch-npm.sh <name>
# A package already unpacked for its recorded version and integrity is not
# fetched again. The cache is $ORNIVEX_CACHE (default ~/.cache/ornivex)/npm.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
name=${1:?usage: fetch-npm.sh <name>}
list=$here/scripts/npm-packages.txt

read -r version integrity < <(awk -v n="$name" '$1 == n { print $2, $3 }' "$list")
if [ -z "${version:-}" ] || [ -z "${integrity:-}" ]; then
  echo "fetch-npm: $name is not in $list" >&2
  exit 2
fi

cache=${ORNIVEX_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/ornivex}/npm
safe=${name//\//+}
dest=$cache/$safe-$version
if [ -f "$dest/.integrity" ] && [ "$(cat "$dest/.integrity")" = "$integrity" ] && [ -d "$dest/package" ]; then
  echo "$dest/package"
  exit 0
fi

command -v npm >/dev/null || { echo "fetch-npm: npm is missing (scripts/setup.sh installs it)" >&2; exit 1; }
mkdir -p "$cache"
work=$(mktemp -d "$cache/.fetch-XXXXXX")
trap 'rm -rf "$work"' EXIT
# npm pack only downloads the tarball: no install script of the package runs.
(cd "$work" && npm pack "$name@$version" --silent >/dev/null)
tarball=$(find "$work" -maxdepth 1 -name '*.tgz' | head -n 1)
[ -n "$tarball" ] || { echo "fetch-npm: npm pack gave no tarball for $name@$version" >&2; exit 1; }
actual="sha512-$(openssl dgst -sha512 -binary "$tarball" | base64 -w0)"
if [ "$actual" != "$integrity" ]; then
  echo "fetch-npm: $name@$version has integrity $actual, not the recorded $integrity" >&2
  exit 1
fi
mkdir -p "$work/unpacked"
tar -xzf "$tarball" -C "$work/unpacked"
rm -rf "$dest"
mkdir -p "$dest"
mv "$work/unpacked/package" "$dest/package"
echo "$integrity" > "$dest/.integrity"
echo "$dest/package"
