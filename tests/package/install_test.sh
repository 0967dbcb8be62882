#!/usr/bin/env bash
# The release as a Windows user meets it, under Wine, in a prefix of its own made
# afresh for every run: a silent install for the user, an upgrade over a running
# Ornivex with a portable copy running beside it, an all-users install beside
# it, the quiet uninstalls of both, and the portable zip. probe.exe
# (probe_test.cpp) looks at each stage from inside Windows.
#
# This Wine runs every program elevated and has no file permissions: what only
# Windows shows (the elevation prompt, UIPI, Program Files closed to the user)
# is tested by the decisions Setup and the uninstaller log (ORNIVEX_SETUP_TRACE),
# with ORNIVEX_SETUP_ACCOUNT=User where they are to take themselves for a
# program started without elevation.
#   usage: install_test.sh <wine-prefix> <setup.exe> <zip> <probe.exe> <empty.exe>
set -uo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
prefix=$1 setup=$2 zip=$3 probe=$4 tool=$5
[ -n "${DISPLAY:-}" ] || { echo "install_test: no DISPLAY" >&2; exit 1; }
# No Linux menu entries for the shortcuts the installer makes.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
export WINEDEBUG=-all
export ORNIVEX_SETUP_TRACE=1
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
# Registry keys, without their time stamps; saved to disk by wineserver -w. Not
# HKCU\Console: this Wine makes it for the first console it opens, here the
# hidden one of the empty.exe a running Ornivex starts when another program
# takes the focus.
keys() { sed -n 's/^\(\[[^]]*\]\).*/\1/p' "$WINEPREFIX/user.reg" "$WINEPREFIX/system.reg" | grep -vx '\[Console\]' | sort; }
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

decisions=$user_dir/Temp/Ornivex-setup.log
decided() { # extended regex: a line Setup or the uninstaller logged since the last forget
  grep -qE "$1" "$decisions" 2>/dev/null || { echo "    not in the decisions: $1"; sed 's/^/      /' "$decisions" 2>/dev/null; return 1; }
}
not_decided() { ! grep -qE "$1" "$decisions" 2>/dev/null || { echo "    in the decisions: $1"; return 1; }; }
forget() { rm -f "$decisions"; }
wait_for_windows() { # pid count: true once `count` windows titled Ornivex show, while the process lives
  local i
  for i in $(seq 1 120); do
    kill -0 "$1" 2>/dev/null || return 1
    [ "$(xdotool search --onlyvisible --name '^Ornivex$' 2>/dev/null | wc -l)" -ge "$2" ] && return 0
    sleep 0.5
  done
  return 1
}
uninstall_without_elevation() { ORNIVEX_SETUP_ACCOUNT=User quiet_uninstall "$@"; }

check "this Wine draws the caption's close glyph with Marlett" probe 'Platform.*'

echo "-- silent install for the user"
forget
check "setup /S ends with 0" wine "$setup" /S
wineserver -w
check "files, shortcut, uninstall entry, Open with, icon and version" \
  probe 'Installed.*' ORNIVEX_PNG_DEFAULT="$png_default"
check "the installed Ornivex.exe starts, shows its window and reads a picture with its own engine" probe 'Program.*'
check "Setup running elevated offers no start of Ornivex on its finish page" decided 'finish page: no start'
check "Setup finds the Visual C++ runtime the engine needs" decided 'Visual C\+\+ runtime: present'

echo "-- the portable zip"
names=$(python3 -c 'import sys, zipfile; print(" ".join(sorted(zipfile.ZipFile(sys.argv[1]).namelist())))' "$zip")
top=$(basename "$zip" -win64.zip)
check "it holds one folder $top/ with Ornivex.exe, README.txt, THIRD-PARTY-NOTICES.txt and the engine's ocr/ ($names)" \
  test "$names" = "$top/ $top/Ornivex.exe $top/README.txt $top/THIRD-PARTY-NOTICES.txt $top/ocr/ \
$top/ocr/ch_PP-OCRv4_det_infer.onnx $top/ocr/ch_PP-OCRv4_rec_infer.onnx $top/ocr/onnxruntime.dll $top/ocr/ppocr_keys_v1.txt"
mkdir -p "$WINEPREFIX/drive_c/portable"
python3 -m zipfile -e "$zip" "$WINEPREFIX/drive_c/portable"
check "the Ornivex.exe unpacked from it starts, shows its window and reads a picture with its own engine" \
  probe 'Program.*' "ORNIVEX_PROGRAM=C:\\portable\\$top\\Ornivex.exe"

echo "-- upgrade over a running Ornivex, a portable copy running beside it"
printf 'older' >>"$installed/Ornivex.exe"
printf 'older' >"$installed/README.txt"
wine "C:\\portable\\$top\\Ornivex.exe" >/dev/null 2>&1 &
portable=$!
check "the portable copy is running" wait_for_windows $portable 1
wine "$installed/Ornivex.exe" >/dev/null 2>&1 &
program=$!
check "the installed Ornivex is running beside it" wait_for_windows $program 2
forget
mkdir -p "$WINEPREFIX/drive_c/no-vc-runtime"
check "setup /S over it, as a user without elevation, ends with 0" \
  env ORNIVEX_SETUP_ACCOUNT=User ORNIVEX_SETUP_SYSTEM_FOLDER='C:\no-vc-runtime' wine "$setup" /S
for _ in $(seq 1 60); do kill -0 $program 2>/dev/null || break; sleep 0.5; done
if kill -0 $program 2>/dev/null; then fail "the running Ornivex was not closed"; kill $program
else wait $program; check "the running Ornivex was closed and ended normally (code $?)" test $? -eq 0; fi
check "the portable copy was left running" kill -0 $portable
check "only the installation's window was asked to close" \
  decided "closing a window of .*AppData.Local.Programs.Ornivex.Ornivex.exe"
check "the portable copy's was left alone" decided 'leaving a window of C:.portable'
check "Setup without elevation offers to start Ornivex on its finish page" decided 'finish page: offers'
check "Setup without the Visual C++ runtime says so, with Microsoft's download, and installs all the same" \
  decided 'Visual C\+\+ runtime: VCRUNTIME140.dll is missing; told, with https://aka.ms/vs/17/release/vc_redist.x64.exe'
kill $portable 2>/dev/null; wait $portable 2>/dev/null
wineserver -w
check "the files are replaced by the release's" probe 'Installed.FilesAreTheReleaseFiles'

echo "-- silent install for all users, beside the user's"
forget
# 740 (ERROR_ELEVATION_REQUIRED) reaches the shell as its low byte.
check "setup /S /ALLUSERS as a user without elevation ends with 740" \
  bash -c 'ORNIVEX_SETUP_ACCOUNT=User wine "$0" /S /ALLUSERS; test $? -eq $((740 % 256))' "$setup"
check "setup /S /ALLUSERS ends with 0" wine "$setup" /S /ALLUSERS
wineserver -w
check "files, shortcut, uninstall entry and Open with, machine-wide" \
  probe 'Installed.*' ORNIVEX_SCOPE=all ORNIVEX_PNG_DEFAULT="$png_default"

windir=$WINEPREFIX/drive_c/windows
echo "-- quiet uninstall for the user, an all-users installation beside it"
printf 'recognised text\r\n' >"$user_dir/Desktop/123456.txt"
printf '2026/6/7 9:5 3s|page1.png-->123456\r\n' >"$installed/ZezAziz.log"
# An empty.exe of another maker: never the uninstaller's to delete.
{ cat "$tool"; printf 'x'; } >"$windir/empty.exe"
forget
check "QuietUninstallString runs and ends with 0" quiet_uninstall HKCU
check "what the installer made is gone; the result and the log stay" \
  probe 'Uninstalled.*' ORNIVEX_PNG_DEFAULT="$png_default" ORNIVEX_LOG_LEFT=1
check "only the activity log is left in the folder" test "$(ls -A "$installed")" = ZezAziz.log
check "the user's uninstall asked for no elevation" not_decided 'asking for elevation'
check "the uninstaller tells another maker's empty.exe, and the other installation" \
  decided "empty.exe: the program's own 0, another installation 1"
check "the other maker's empty.exe stays" test -f "$windir/empty.exe"

echo "-- quiet uninstall for all users, started without elevation, as Settings does"
cp "$tool" "$windir/empty.exe"
forget
check "QuietUninstallString runs and ends with 0" uninstall_without_elevation HKLM
check "the uninstaller asked for elevation" decided 'asking for elevation'
check "its elevated copy did the uninstall and ended with 0" decided 'the elevated uninstaller ended with 0'
check "everything is gone, the emptied folder too" \
  probe 'Uninstalled.*' ORNIVEX_SCOPE=all ORNIVEX_PNG_DEFAULT="$png_default"
check "the registry has the keys it had before the install" diff <(keys) "$WINEPREFIX/keys-before"
check "the last installation's uninstaller removed the program's empty.exe" \
  decided "empty.exe: the program's own 1, another installation 0"
check "empty.exe is gone" test ! -e "$windir/empty.exe"

exit $failed
