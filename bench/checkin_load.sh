#!/usr/bin/env bash
# The hall's phones against the real program: a 2,000-person event with 工号, the program with its stage and
# web site on 127.0.0.1 under a private virtual display, then bench/checkin_load.py (500 live winner streams
# through a draw, then everyone checking in within a minute) prints the figures.
#
# Usage: bench/checkin_load.sh BUILD_DIR [checkin_load.py options...]
set -uo pipefail

if [ $# -lt 1 ]; then
  echo "usage: $0 BUILD_DIR [checkin_load.py options...]" >&2
  exit 2
fi
BUILD=$(cd "$1" && pwd) || exit 2
shift
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/e2e/lib.sh
source "$HERE/../tests/e2e/lib.sh"
trap e2e_cleanup EXIT
NAME=checkin_load
STARTED=$(now_ms)
SCREEN_W=1280
SCREEN_H=800
PROJ_W=1920
PROJ_H=1080
PEOPLE=2000

ART=$(mktemp -d /tmp/checkin-load.XXXXXX)
e2e_init
command -v zbarimg >/dev/null || die "zbarimg is not installed"
MONITORS="${SCREEN_W}x${SCREEN_H}+0+0 ${PROJ_W}x${PROJ_H}+${SCREEN_W}+0"
start_xvfb

APP=$WORK/app
cp -a "$BUILD/app" "$APP"
rm -rf "$APP/db"
mkdir -p "$APP/zp"
find "$APP/zp" -mindepth 1 -delete
DB=$APP/db/db.mdb
{
  ASAN_OPTIONS=detect_leaks=0 "$BUILD/bin/eventdb" init "$APP" &&
    ASAN_OPTIONS=detect_leaks=0 "$BUILD/bin/eventdb" demo "$APP" "$PEOPLE" --distinct-photos 10
} >"$WORK/eventdb.log" 2>&1 || die "eventdb failed: $(tail -3 "$WORK/eventdb.log")"
sql "update yglb set gh='E'||printf('%04d',id);" || die "cannot give the roster its 工号"

# No port is taken between choosing it and the program's listening on it, on a machine of our own.
PORT=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
start_app "$ART/luckydraw.log" --stage --web "127.0.0.1:$PORT"
DRAW=$(wait_window '^VELTRAXForm' 120) || die "the draw window did not appear (log: $(tail -5 "$ART/luckydraw.log"))"
wait_window '^抽奖舞台' 30 >/dev/null || die "the stage did not appear"
window_geometry "$DRAW"
DX=$WX DY=$WY

# The stage's current check-in link, read off the projector.
stage_link() {
  local shot=$WORK/link-$$.png url
  import -window root -crop "${PROJ_W}x${PROJ_H}+${SCREEN_W}+0" "$shot" 2>/dev/null || return 1
  url=$(zbarimg --raw -q "$shot" 2>/dev/null | head -1)
  rm -f "$shot"
  [ -n "$url" ] && echo "$url"
}
# A start and a stop on the handset; prints the wall-clock time of the stop keypress.
draw_once() {
  xdotool mousemove $((DX + 500)) $((DY + 250))
  press space
  sleep 1.5
  date +%s.%N
  xdotool key space
}
export -f stage_link draw_once press
export WORK PROJ_W PROJ_H SCREEN_W DX DY

for _ in $(seq 40); do stage_link >/dev/null && break; sleep 0.5; done
stage_link >/dev/null || die "no QR code readable on the projector"
log "event of $PEOPLE in $APP, program on 127.0.0.1:$PORT, display $DISPLAY, build $BUILD"

python3 "$HERE/checkin_load.py" --port "$PORT" --db "$DB" --url-command "bash -c stage_link" \
  --draw-command "bash -c draw_once" "$@"
status=$?
if [ -n "$(sanitizer_report "$ART/luckydraw.log")" ]; then
  echo "sanitizer report in the program's output:"
  sanitizer_report "$ART/luckydraw.log"
  status=1
fi
app_running || {
  echo "the program ended during the run (log $ART/luckydraw.log)"
  status=1
}
[ "$status" -eq 0 ] && rm -rf "$ART"
exit "$status"
