#!/usr/bin/env bash
# A phone checks in and watches the draw: the program runs with the stage and its web site on 127.0.0.1, the
# stage's QR code is read off the projector's pixels, and headless Chromium at phone size opens it, checks in
# with a 工号 and code from the event database, and keeps the winners page open while the handset makes a draw:
# the winner the database records must appear on that page without a reload. A second browser with a profile
# of its own is then refused for the same person.
#
# Usage: tests/e2e/phone_checkin.sh BUILD_DIR ARTIFACT_DIR   (skips when Chromium is not installed)
set -uo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 BUILD_DIR ARTIFACT_DIR" >&2
  exit 2
fi
BUILD=$(cd "$1" && pwd) || exit 2
ART=$2
NAME=phone_checkin
if ! command -v chromium >/dev/null || ! command -v chromedriver >/dev/null ||
  ! /usr/bin/python3 -c 'import selenium' 2>/dev/null; then
  echo "$NAME: skipped (chromium, chromium-driver or python3-selenium is not installed)"
  exit 0
fi
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"
trap e2e_cleanup EXIT

STARTED=$(now_ms)
SCREEN_W=1280
SCREEN_H=800
PROJ_W=1920
PROJ_H=1080

e2e_init
command -v zbarimg >/dev/null || die "zbarimg is not installed"
rm -f "$ART"/phone-*.png
MONITORS="${SCREEN_W}x${SCREEN_H}+0+0 ${PROJ_W}x${PROJ_H}+${SCREEN_W}+0"
start_xvfb
make_event 10
sql "update yglb set gh='E'||printf('%03d',id);" || die "cannot give the roster its 工号"
log "event folder $APP, display $DISPLAY"

PORT=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
start_app "$ART/luckydraw-phone.log" --stage --web "127.0.0.1:$PORT"
DRAW=$(wait_window '^VELTRAXForm' 60) || die "the draw window did not appear (log: $(tail -5 "$ART/luckydraw-phone.log"))"
wait_window '^抽奖舞台' 20 >/dev/null || die "the stage did not appear"
window_geometry "$DRAW"
DX=$WX DY=$WY

# The QR code as a phone's camera would read it: from the projector's pixels only.
url=""
for _ in $(seq 20); do
  shot phone-stage
  convert "$ART/phone-stage.png" -crop "${PROJ_W}x${PROJ_H}+${SCREEN_W}+0" +repage "$WORK/projector.png"
  url=$(zbarimg --raw -q "$WORK/projector.png" 2>/dev/null | head -1) && [ -n "$url" ] && break
  sleep 0.5
done
[ -n "$url" ] || die "no QR code readable on the projector"
matches() { [[ $1 =~ $2 ]]; }
check "the stage's QR code holds the check-in link ($url)" matches "$url" "^http://127\.0\.0\.1:$PORT/c/[A-Za-z0-9_-]+$"

# Codes are issued when the site starts.
IFS='|' read -r gh code person <<<"$(sql "select gh, qdm, xm from yglb where id=3;")"
[ -n "$code" ] || die "no check-in code issued for $gh"

# One draw from the handset; prints the name the database records for it.
draw_once() {
  xdotool mousemove $((DX + 500)) $((DY + 250))
  press space
  sleep 1.5
  press space
  local i name
  for i in $(seq 50); do
    name=$(sql "select xm from yglb where zj>0 and zjsx=1;")
    if [ -n "$name" ]; then
      echo "$name"
      return 0
    fi
    sleep 0.1
  done
  echo "no winner recorded" >&2
  return 1
}
export -f draw_once press sql sql_on
export DB DB_KEY DX DY

/usr/bin/python3 "$E2E_DIR/phone_browser.py" "$url" "$gh" "$code" "$person" "$ART" "bash -c draw_once"
browser_failures=$?
# The browser script lists its own checks; its failures count here.
check_eq "the phone's checks all passed" 0 "$browser_failures"
check_eq "the database has $gh checked in by phone" "1|1" \
  "$(sql "select count(nullif(qd,'')), count(nullif(qdsb,'')) from yglb where gh='$gh';")"
check_eq "the journal has one check-in and one refusal for $gh" "1|1" \
  "$(sql "select sum(lx='checked in'), sum(lx='check-in refused') from cjrz where gh='$gh';")"
check_no_box "the phones"
check "no sanitizer report" [ -z "$(sanitizer_report "$ART/luckydraw-phone.log")" ]

kill -TERM "$APP_PID"
if wait_app_exit 15; then
  check_eq "SIGTERM ends the program with status 0" 0 "$APP_STATUS"
else
  fail "the program still runs 15 s after SIGTERM"
fi
finish "screenshots in $ART"
