#!/usr/bin/env bash
# Takes the corpus's font files out of Debian's packages without installing
# them (installed fonts would change other tests' pixels) and prints the folder
# they are in: $ORNIVEX_CACHE (default ~/.cache/ornivex)/fonts/<package>_<version>/.
# Each package is downloaded once, at the version named here; a version the
# archive no longer has falls back to the archive's own, with a warning (the
# pictures may then differ by a few pixels from those made before).
#   usage: bench/ocr/corpus/fetch-fonts.sh
set -euo pipefail
cache=${ORNIVEX_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/ornivex}/fonts
packages=(
  fonts-wqy-microhei=0.2.0-beta-3.1
  fonts-wqy-zenhei=0.9.45-8
  fonts-arphic-gbsn00lp=2.11-16
  fonts-arphic-gkai00mp=2.11-16
  fonts-dejavu-core=2.37-6
  fonts-liberation2=2.1.5-1
  fonts-freefont-ttf=20120503-10
)
mkdir -p "$cache"
for pinned in "${packages[@]}"; do
  name=${pinned%%=*}; version=${pinned#*=}
  [ -f "$cache/$name.done" ] && continue
  work=$(mktemp -d "$cache/.fetch-XXXXXX")
  if ! (cd "$work" && apt-get download -qq "$pinned" 2>/dev/null); then
    echo "fetch-fonts: $pinned is not in the archive; taking its candidate version" >&2
    (cd "$work" && apt-get download -qq "$name") ||
      { rm -rf "$work"; echo "fetch-fonts: cannot download $name (apt-get update?)" >&2; exit 1; }
  fi
  deb=$(find "$work" -maxdepth 1 -name '*.deb' | head -n 1)
  dpkg-deb -x "$deb" "$work/x"
  find "$work/x" \( -name '*.ttf' -o -name '*.ttc' -o -name '*.otf' \) -type f -exec mv -t "$cache" {} +
  rm -rf "$work"
  touch "$cache/$name.done"
done
echo "$cache"
