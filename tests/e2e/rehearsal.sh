#!/usr/bin/env bash
# A dress rehearsal with the real program on a virtual display: `luckydraw --rehearsal` beside the event's
# own program (which holds the event's lock), a draw from the keyboard on the rehearsal's copy, the copy of
# a killed rehearsal removed at the next start, a rehearsal ended by the power key and one by SIGTERM; the
# event's database has no winner at the end and no copy is left.
#
# Usage: tests/e2e/rehearsal.sh BUILD_DIR ARTIFACT_DIR
set -uo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 BUILD_DIR ARTIFACT_DIR" >&2
  exit 2
fi
BUILD=$(cd "$1" && pwd) || exit 2
ART=$2
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"
trap e2e_cleanup EXIT

STARTED=$(now_ms)
NAME=rehearsal

e2e_init
rm -f "$ART"/rehearsal-*.png
start_xvfb
make_event 12
# The copies go to the user's cache: here, one of the run's own.
export XDG_CACHE_HOME=$WORK/cache XDG_CONFIG_HOME=$WORK/config
COPIES=$XDG_CACHE_HOME/luckydraw/luckydraw/rehearsals
log "event folder $APP, display $DISPLAY"

copies() { find "$COPIES" -mindepth 1 -maxdepth 1 -name '.~rehearsal-*' 2>/dev/null | sort; }
winners_in() { sql_on "$1/db/db.mdb" "select count(*) from yglb where zj<>0;"; }

# start_rehearsal LOG: the rehearsal, its draw window in DRAW and at DX, DY.
start_rehearsal() {
  start_app "$1" --rehearsal "$APP"
  DRAW=$(wait_window '^VELTRAXForm' 60) || die "the rehearsal's draw window did not appear ($(tail -5 "$1"))"
  sleep 1
  window_geometry "$DRAW"
  DX=$WX DY=$WY
  POWER_X=$((DX + 904 + 44)) POWER_Y=$((DY + 196 + 44))
}

# draw_on COPY: a roll and a stop from the keyboard; the winner is the copy's.
draw_on() {
  xdotool windowactivate --sync "$DRAW" 2>/dev/null || xdotool windowfocus --sync "$DRAW" 2>/dev/null || true
  press space
  sleep 1.5
  press Return
  local end=$(($(now_ms) + 10000))
  while [ "$(winners_in "$1")" != 1 ] && [ "$(now_ms)" -lt "$end" ]; do sleep 0.1; done
  check_eq "a draw from the keyboard recorded in the rehearsal's copy" 1 "$(winners_in "$1")"
  check_eq "the event's database has no winner" 0 "$(sql "select count(*) from yglb where zj<>0;")"
}

# ---- the event's own program, holding the event's lock ------------------------------------------------
start_app "$ART/luckydraw-event.log"
EVENT_DRAW=$(wait_window '^VELTRAXForm$' 60) || die "the event's draw window did not appear"
EVENT_PID=$APP_PID
HELPER_PIDS="$EVENT_PID"
check_eq "the event's own window has its plain title" "VELTRAXForm" "$(xdotool getwindowname "$EVENT_DRAW")"
db_before=$(sha256sum "$DB" | cut -d' ' -f1)

# ---- a rehearsal beside it, then killed ---------------------------------------------------------------
start_rehearsal "$ART/luckydraw-rehearsal-1.log"
check_eq "the rehearsal's title says so" "VELTRAXForm（彩排）" "$(xdotool getwindowname "$DRAW")"
if mark=$(wait_window '^彩排$' 10); then
  window_geometry "$mark"
  pass "the rehearsal's mark is shown (${WW}x$WH at $WX,$WY)"
  if [ $((WX + WW)) -le "$DX" ] || [ "$WX" -ge $((DX + 1015)) ] || [ $((WY + WH)) -le "$DY" ] || [ "$WY" -ge $((DY + 506)) ]; then
    pass "the mark is clear of the draw window"
  else
    fail "the mark covers the draw window"
  fi
else
  fail "no rehearsal mark"
fi
check_eq "one copy while the rehearsal runs" 1 "$(copies | wc -l)"
FIRST_COPY=$(copies | head -1)
check "the rehearsal's photos are linked to the event's" test "$(stat -c %i "$APP/zp/$(ls "$APP/zp" | head -1)")" = \
  "$(stat -c %i "$FIRST_COPY/zp/$(ls "$APP/zp" | head -1)")"
draw_on "$FIRST_COPY"
shot rehearsal-1-drawn
check "the event's program still runs beside the rehearsal" kill -0 "$EVENT_PID"
kill -KILL "$APP_PID"
wait_app_exit 10 || fail "the killed rehearsal is still running"
check "a killed rehearsal leaves its copy" test -d "$FIRST_COPY"

# ---- the event's program ends; its file is as it was ----------------------------------------------------
kill -TERM "$EVENT_PID"
for _ in $(seq 50); do kill -0 "$EVENT_PID" 2>/dev/null || break; sleep 0.1; done
check "the event's program ended by SIGTERM" bash -c "! kill -0 $EVENT_PID 2>/dev/null"
HELPER_PIDS=""
check_eq "the event's database unchanged by the rehearsal" "$db_before" "$(sha256sum "$DB" | cut -d' ' -f1)"

# ---- the next rehearsal removes the leftover; drawn, then switched off by the power key -------------------
start_rehearsal "$ART/luckydraw-rehearsal-2.log"
check "the killed rehearsal's copy is gone at the next start" test ! -e "$FIRST_COPY"
check_eq "only the running rehearsal's copy" 1 "$(copies | wc -l)"
SECOND_COPY=$(copies | head -1)
draw_on "$SECOND_COPY"
shot rehearsal-2-drawn
hold_power
shot rehearsal-2-switch-off
answer_switch_off "$DX" "$DY"
check "a rehearsal switched off removes its copy" test ! -e "$SECOND_COPY"

# ---- a rehearsal ended by SIGTERM ------------------------------------------------------------------------
start_rehearsal "$ART/luckydraw-rehearsal-3.log"
kill -TERM "$APP_PID"
if wait_app_exit 10; then
  check_eq "a rehearsal ended by SIGTERM with status 0" 0 "$APP_STATUS"
else
  fail "the rehearsal still runs 10 s after SIGTERM"
fi

check_eq "no copy left" "" "$(copies)"
check_eq "the event's database has no winner after the rehearsals" 0 "$(sql "select count(*) from yglb where zj<>0;")"
check_eq "no rehearsal is remembered as the last event" "" \
  "$(grep -h lastEvent "$XDG_CONFIG_HOME"/luckydraw/*.conf 2>/dev/null | grep rehearsal || true)"
for log in "$ART"/luckydraw-event.log "$ART"/luckydraw-rehearsal-*.log; do
  report=$(sanitizer_report "$log")
  check_eq "no sanitizer report in $(basename "$log")" "" "$report"
done
finish "screenshots in $ART"
