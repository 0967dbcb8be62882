#!/usr/bin/env bash
# The release as a Windows user meets it, under Wine, in a prefix of its own made
# afresh for every run: a silent install for the user, an upgrade over a running
# Ornivex, the quiet uninstall, the same for all users, and the portable zip.
# probe.exe (probe_test.cpp) looks at each stage from inside Windows.
#   usage: install_test.sh <wine-prefix> <setup.exe> <zip> <probe.exe>
set -uo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
prefix=$1 setup=$2 zip=$3 probe=$4
[ -n "${DISPLAY:-}" ] || { echo "install_test: no DISPLAY" >&2; exit 1; }
# No Linux menu entries for the shortcuts the installer makes.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
export WINEDEBUG=-all
failed=0
ok() { echo "ok: $*"; }
fail() { echo "FAIL: $*"; failed=1; }
check() { # description command...
  local what=$1; shift
  if "$@"; then ok "$what"; else fail "$what"; fi
}

rm -rf "$prefix" "$prefix.lock"
mkdir -p "$prefix"
export WINEPREFIX=$(cd "$prefix" && pwd)
trap 'wineserver -k 2>/dev/null' EXIT
probe() { # gtest-filter [VAR=value...]
  local filter=$1; shift
  env "$@" "$here/scripts/wine-run.sh" "$WINEPREFIX" "$probe" --gtest_color=no --gtest_filter="$filter" \
    >"$WINEPREFIX/probe.log" 2>&1
  local rc=$?
  grep -E '^\[  (FAILED|     OK) |Failure|Expected|Which is|Value of|Actual|missing|not the' "$WINEPREFIX/probe.log" |
    grep -v '^\[  FAILED  \] [0-9]* tests\?,' | sed 's/^/    /'
  return $rc
}
# Registry keys, without their time stamps; saved to disk by wineserver -w.
keys() { sed -n 's/^\(\[[^]]*\]\).*/\1/p' "$WINEPREFIX/user.reg" "$WINEPREFIX/system.reg" | sort; }
quiet_uninstall() { # HKCU|HKLM: runs the entry's QuietUninstallString as Windows would
  local line exe args
  line=$(wine reg query "$1\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Ornivex" \
         /v QuietUninstallString 2>/dev/null | tr -d '\r' | sed -n 's/.*QuietUninstallString *REG_SZ *//p')
  exe=$(sed -n 's/^"\([^"]*\)".*/\1/p' <<<"$line")
  args=${line#\"$exe\"}
  [ -n "$exe" ] || { echo "    no QuietUninstallString under $1"; return 1; }
  # shellcheck disable=SC2086
  wine "$exe" $args && wineserver -w
}

# A fresh prefix whose user chose a program of their own for .png files.
png_default=OrnivexTest.Viewer
"$here/scripts/wine-run.sh" "$WINEPREFIX" reg add 'HKCU\Software\Classes\.png' /ve /d "$png_default" /f >/dev/null 2>&1
wineserver -w
keys >"$WINEPREFIX/keys-before"
user_dir=$(ls -d "$WINEPREFIX"/drive_c/users/*/Desktop | grep -v /Public/ | head -n 1)
user_dir=${user_dir%/Desktop}
installed=$user_dir/AppData/Local/Programs/Ornivex

check "this Wine draws the caption's close glyph with Marlett" probe 'Platform.*'

echo "-- silent install for the user"
check "setup /S ends with 0" wine "$setup" /S
wineserver -w
check "files, shortcut, uninstall entry, Open with, icon and version" \
  probe 'Installed.*' ORNIVEX_PNG_DEFAULT="$png_default"
check "the installed Ornivex.exe starts and shows its window" probe 'Program.*'

echo "-- upgrade over a running Ornivex"
printf 'older' >>"$installed/Ornivex.exe"
printf 'older' >"$installed/README.txt"
wine "$installed/Ornivex.exe" >/dev/null 2>&1 &
program=$!
window=
for _ in $(seq 1 120); do
  window=$(xdotool search --onlyvisible --name '^Ornivex$' 2>/dev/null | head -n 1)
  [ -n "$window" ] && break
  sleep 0.5
done
check "Ornivex is running before the upgrade" test -n "$window"
check "setup /S over it ends with 0" wine "$setup" /S
for _ in $(seq 1 60); do kill -0 $program 2>/dev/null || break; sleep 0.5; done
if kill -0 $program 2>/dev/null; then fail "the running Ornivex was not closed"; kill $program
else wait $program; check "the running Ornivex was closed and ended normally (code $?)" test $? -eq 0; fi
wineserver -w
check "the files are replaced by the release's" probe 'Installed.FilesAreTheReleaseFiles'

echo "-- quiet uninstall for the user"
printf 'recognised text\r\n' >"$user_dir/Desktop/123456.txt"
printf '2026/6/7 9:5 3s|page1.png-->123456\r\n' >"$installed/ZezAziz.log"
check "QuietUninstallString runs and ends with 0" quiet_uninstall HKCU
check "what the installer made is gone; the result and the log stay" \
  probe 'Uninstalled.*' ORNIVEX_PNG_DEFAULT="$png_default" ORNIVEX_LOG_LEFT=1
check "only the activity log is left in the folder" test "$(ls -A "$installed")" = ZezAziz.log
check "the registry has the keys it had before the install" diff <(keys) "$WINEPREFIX/keys-before"

echo "-- silent install and quiet uninstall for all users"
check "setup /S /ALLUSERS ends with 0" wine "$setup" /S /ALLUSERS
wineserver -w
check "files, shortcut, uninstall entry and Open with, machine-wide" \
  probe 'Installed.*' ORNIVEX_SCOPE=all ORNIVEX_PNG_DEFAULT="$png_default"
check "QuietUninstallString runs and ends with 0" quiet_uninstall HKLM
check "everything is gone, the emptied folder too" \
  probe 'Uninstalled.*' ORNIVEX_SCOPE=all ORNIVEX_PNG_DEFAULT="$png_default"
check "the registry has the keys it had before the install" diff <(keys) "$WINEPREFIX/keys-before"

echo "-- the portable zip"
names=$(python3 -c 'import sys, zipfile; print(" ".join(sorted(zipfile.ZipFile(sys.argv[1]).namelist())))' "$zip")
check "it holds Ornivex.exe, README.txt and THIRD-PARTY-NOTICES.txt ($names)" \
  test "$names" = "Ornivex.exe README.txt THIRD-PARTY-NOTICES.txt"
mkdir -p "$WINEPREFIX/drive_c/portable"
python3 -m zipfile -e "$zip" "$WINEPREFIX/drive_c/portable"
check "the Ornivex.exe unpacked from it starts and shows its window" \
  probe 'Program.*' 'ORNIVEX_PROGRAM=C:\portable\Ornivex.exe'

exit $failed
