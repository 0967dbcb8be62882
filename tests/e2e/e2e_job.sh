#!/usr/bin/env bash
# The program's whole job as a person does it, checked from outside: renders a
# picture of known Chinese and English lines, starts Ornivex.exe under Wine on
# $DISPLAY, and has tools/e2e/drive.py drag the window by its caption (it
# moves) and by its edges and a corner (it keeps its size), click "选择图片",
# type the path into the open-file dialog, wait for the result, click
# "保存结果" and then the minimize title button (the window leaves). Then checks:
#  - the saved <number>.txt (the result box's text) against the rendered lines,
#    at least 95 % of the characters right;
#  - the stand-ins received exactly the upload body and the recognition form
#    body the program must send for that number;
#  - the activity log beside the executable starts with this choice;
#  - started again, the program ends by itself, with exit code 0, when its
#    close title button is clicked.
# The stand-ins are the shared test fixture (tests/e2e/standins_fixture.sh).
#   e2e_job.sh EXE WINEPREFIX OCR_PORT IMAGE_PORT STANDINS_FOLDER WORK_FOLDER
set -uo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
exe=$1 prefix=$2 ocr_port=$3 image_port=$4 standins=$5 work=$6
fail() { echo "e2e_job: $*" >&2; exit 1; }
[ -n "${DISPLAY:-}" ] || fail "no \$DISPLAY"
[ -f "$exe" ] || fail "$exe not built"
mkdir -p "$work"

picture=$work/e2e_lines.png
bash "$here/tools/e2e/render_sample.sh" "$picture" \
  "电脑把图片上的文字变成文本。" \
  "Pictures become plain text." \
  "保存到桌面，Ready 2027." || fail "cannot render the picture"

# Real recognition, the service's default layout.
python3 - "$ocr_port" <<'PY' || fail "cannot reset the stand-ins"
import json, sys, urllib.request
req = urllib.request.Request("http://127.0.0.1:%s/__config" % sys.argv[1], method="POST",
    data=json.dumps({"fixed_words": "", "compact": False, "ocr_error": 0, "token_error": False,
                     "delay": 0, "token_delay": 0, "ocr_delay": 0, "upload_status": 200}).encode())
opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
opener.open(req, timeout=10).read()
PY

log=$(dirname "$exe")/ZezAziz.log
program=
saved=
cleanup() {
  if [ -n "$program" ] && kill -0 "$program" 2>/dev/null; then
    kill "$program" 2>/dev/null
    wait "$program" 2>/dev/null
  fi
  [ -n "$saved" ] && rm -f "$saved"
}
trap cleanup EXIT

"$here/scripts/wine-run.sh" "$prefix" "$exe" >"$work/program.log" 2>&1 &
program=$!

WINEPREFIX=$prefix python3 "$here/tools/e2e/drive.py" "$picture" --prefix "$prefix" --json \
  --expected "${picture%.png}.txt" --record-dir "$standins/requests" \
  --image-host "http://127.0.0.1:$image_port" --screenshot "$work/screenshot.png" --timeout 120 \
  --window-checks --minimize >"$work/report.json"
rc=$?
cat "$work/report.json"
saved=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1])).get("saved_file",""))' "$work/report.json" 2>/dev/null)
case $rc in
  0) ;;
  2) fail "character accuracy below 95 %" ;;
  3) fail "the stand-ins did not receive the exact upload and recognition bodies" ;;
  *) fail "driving the program failed (status $rc)" ;;
esac

# The newest record of the activity log names this picture and its number.
python3 - "$log" "$saved" <<'PY' || exit 1
import os, sys
log, saved = sys.argv[1], sys.argv[2]
number = os.path.basename(saved)[:-4]
with open(log, "rb") as f:
    first = f.read().split(b"\r\n")[0].decode("gbk")
want = "|e2e_lines.png-->" + number
if not first.endswith(want):
    sys.exit("e2e_job: the log's newest record is %r, not one ending in %r" % (first, want))
print("e2e_job: log record %r" % first)
PY

# The close title button ends the program.
kill "$program" 2>/dev/null
wait "$program" 2>/dev/null
"$here/scripts/wine-run.sh" "$prefix" "$exe" >"$work/program-close.log" 2>&1 &
program=$!
WINEPREFIX=$prefix python3 "$here/tools/e2e/drive.py" --close --start-delay 1 || fail "the close button did not close the window"
for _ in $(seq 1 100); do
  kill -0 "$program" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$program" 2>/dev/null && fail "the window closed but the program is still running"
wait "$program"
code=$?
program=
[ "$code" -eq 0 ] || fail "the program ended with exit code $code after its close button"
echo "e2e_job: the close button ended the program (exit code 0)"
echo "e2e_job: passed"
