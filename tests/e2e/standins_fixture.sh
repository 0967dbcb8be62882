#!/usr/bin/env bash
# Starts or stops the loopback stand-ins the end-to-end tests share.
#   standins_fixture.sh start FOLDER OCR_PORT IMAGE_PORT
#   standins_fixture.sh stop FOLDER
# FOLDER gets the process id, the stand-ins' output and their request record
# (FOLDER/requests).
set -u
here=$(cd "$(dirname "$0")/../.." && pwd)
action=${1:?start or stop}
folder=${2:?folder}

stop() {
  [ -f "$folder/pid" ] || return 0
  local pid
  pid=$(cat "$folder/pid")
  rm -f "$folder/pid"
  kill -TERM "$pid" 2>/dev/null || return 0
  for _ in $(seq 1 50); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null
}

case $action in
  start)
    stop  # left over from an interrupted run
    rm -rf "$folder/requests"
    mkdir -p "$folder"
    python3 "$here/standins/standins.py" --ocr-port "${3:?ocr port}" --image-port "${4:?image port}" \
      --record-dir "$folder/requests" >"$folder/standins.log" 2>&1 </dev/null &
    echo $! >"$folder/pid"
    for _ in $(seq 1 100); do
      grep -q '^standins: ready' "$folder/standins.log" && exit 0
      kill -0 "$(cat "$folder/pid")" 2>/dev/null || break
      sleep 0.1
    done
    echo "the stand-ins did not start:" >&2
    cat "$folder/standins.log" >&2
    stop
    exit 1
    ;;
  stop)
    stop
    ;;
  *)
    echo "usage: $0 start FOLDER OCR_PORT IMAGE_PORT | stop FOLDER" >&2
    exit 2
    ;;
esac
