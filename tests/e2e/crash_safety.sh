#!/usr/bin/env bash
# No recorded winner may be lost, whenever the program dies. Each round starts the real program, clicks
# the draw icon fast (start, stop, start, …) with real X input and kills the program with SIGKILL at a
# random moment (every third round while a stop click arrives, where the winner is written); the
# event database must then pass its integrity check, keep every winner of the earlier rounds unchanged,
# hold draw orders 1..W without gap or duplicate, and give each order the prize level of the plan. At the
# end a clean start must continue the plan with order W+1.
#
# With E2E_PER_DRAW=N every prize gives N winners a press (the lucky prize's 50 not a multiple of N), so
# a kill falls in the middle of writing a press of several winners: all of them or none must be recorded,
# each with its journal row.
#
# With E2E_SEALED=1 the event is sealed and given its entropy before the first round: every stop is then the
# sealed pick, whose counter is written with the stop, and the proof written at the end must replay in
# eventdb verify and in the independent Python verifier, kills and all.
#
# Usage: tests/e2e/crash_safety.sh BUILD_DIR ARTIFACT_DIR [ROUNDS]
# E2E_SEED fixes the random kill moments and click rhythm; E2E_PARTICIPANTS the roster size.
set -uo pipefail

if [ $# -lt 2 ] || [ $# -gt 3 ]; then
  echo "usage: $0 BUILD_DIR ARTIFACT_DIR [ROUNDS]" >&2
  exit 2
fi
BUILD=$(cd "$1" && pwd) || exit 2
ART=$2
ROUNDS=${3:-15}
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"
trap e2e_cleanup EXIT

STARTED=$(now_ms)
PER_DRAW=${E2E_PER_DRAW:-1}
NAME=crash_safety
[ "$PER_DRAW" = 1 ] || NAME=crash_safety_batch
SEALED=${E2E_SEALED:-0}
[ "$SEALED" = 1 ] && NAME=${NAME}_sealed
QUIET=1
SEED=${E2E_SEED:-$(($(date +%s%N) % 32768))}
RANDOM=$SEED
# A round records a handful of winners; the roster must outlast the rounds.
PARTICIPANTS=${E2E_PARTICIPANTS:-$((ROUNDS * 8 * PER_DRAW > 120 ? ROUNDS * 8 * PER_DRAW : 120))}
# First, second, third, lucky prize quantities: 68 prizes, then outside-plan winners (99).
Q1=3 Q2=5 Q3=10 Q4=50

e2e_init
rm -f "$ART/$NAME"-*.png "$ART"/unexpected-box-*.png
: >"$ART/luckydraw-$NAME.log"
start_xvfb
make_event "$PARTICIPANTS"
# No minimum roll: a stop click lands on the write itself, which is where the kills are aimed.
sql "insert into sy (symc, sz) values ('ZS', 0);" >/dev/null || die "cannot switch the minimum roll off"
sql "update sy set sz=1 where symc='JX'; update jxsz set sl=$Q1 where jx=1; update jxsz set sl=$Q2 where jx=2;
     update jxsz set sl=$Q3 where jx=3; update jxsz set sl=$Q4 where jx=4;" >/dev/null || die "cannot set the prize plan"
sql "update jxsz set mcrs=$PER_DRAW;" >/dev/null || die "cannot set the winners per press"
check_eq "prize plan in place" "1|3|$PER_DRAW;2|5|$PER_DRAW;3|10|$PER_DRAW;4|50|$PER_DRAW" \
  "$(sql "select jx, sl, mcrs from jxsz order by jx;" | paste -sd';')"
if [ "$SEALED" = 1 ]; then
  ASAN_OPTIONS=detect_leaks=0 "$BUILD/bin/eventdb" seal "$APP" >"$WORK/seal.log" 2>&1 || die "eventdb seal failed: $(cat "$WORK/seal.log")"
  ASAN_OPTIONS=detect_leaks=0 "$BUILD/bin/eventdb" entropy "$APP" "crash test $SEED" >>"$WORK/seal.log" 2>&1 ||
    die "eventdb entropy failed: $(cat "$WORK/seal.log")"
  check_eq "sealed with its entropy" "1|1|0" "$(sql "select (select count(*) from cjrz where lx='sealed'),
    (select count(*) from cjrz where lx='entropy'), (select count(*) from cjrz where lx='seal broken');")"
fi
log "$ROUNDS rounds, seed $SEED, $PARTICIPANTS participants, plan lucky $Q4 / third $Q3 / second $Q2 / first $Q1, $PER_DRAW a press, display $DISPLAY"

# The prize level of draw order k under the plan.
level_for() {
  local k=$1
  if [ "$k" -le "$Q4" ]; then
    echo 4
  elif [ "$k" -le $((Q4 + Q3)) ]; then
    echo 3
  elif [ "$k" -le $((Q4 + Q3 + Q2)) ]; then
    echo 2
  elif [ "$k" -le $((Q4 + Q3 + Q2 + Q1)) ]; then
    echo 1
  else
    echo 99
  fi
}

# check_database LABEL: checks a copy of the database (with any leftover journal, so that SQLite rolls it
# back on the copy as the program will on the real file) and sets WINNERS to its "order|level|id" rows.
PREVIOUS=""
WINNERS=""
check_database() {
  local label=$1 copy=$WORK/check rows problems
  rm -rf "$copy"
  mkdir -p "$copy"
  cp "$DB" "$copy/db.mdb"
  if [ -e "$DB-journal" ]; then cp "$DB-journal" "$copy/db.mdb-journal"; fi

  check_eq "$label: integrity" ok "$(sql_on "$copy/db.mdb" "PRAGMA integrity_check;")"
  rows=$(sql_on "$copy/db.mdb" "select zjsx, zj, id from yglb where zj<>0 order by zjsx, id;") || {
    fail "$label: cannot read the winners"
    return
  }
  problems=$(printf '%s\n' "$rows" | awk -F'|' -v q1=$Q1 -v q2=$Q2 -v q3=$Q3 -v q4=$Q4 '
    NF == 0 { next }
    {
      k = NR
      level = k <= q4 ? 4 : k <= q4 + q3 ? 3 : k <= q4 + q3 + q2 ? 2 : k <= q4 + q3 + q2 + q1 ? 1 : 99
      if ($1 != k) printf "order %s where %d belongs; ", $1, k
      if ($2 != level) printf "order %s has level %s, the plan says %d; ", $1, $2, level
    }')
  if [ -z "$problems" ]; then
    pass "$label: draw orders 1..W, levels as planned"
  else
    fail "$label: ${problems:0:400}"
  fi
  check_eq "$label: no draw order without a prize" 0 \
    "$(sql_on "$copy/db.mdb" "select count(*) from yglb where zj=0 and zjsx<>0;")"
  # The journal's drawn rows are the recorded winners exactly: written in the same transaction or not at all.
  check_eq "$label: journal matches the recorded winners" "$rows" \
    "$(sql_on "$copy/db.mdb" "select zjsx, zj, ygid from cjrz where lx='drawn' order by zjsx, ygid;")"
  # Every winner seen before is still there, unchanged, in the same place.
  if [ -n "$PREVIOUS" ]; then
    local n
    n=$(printf '%s\n' "$PREVIOUS" | wc -l)
    if [ "$(printf '%s\n' "$rows" | head -n "$n")" = "$PREVIOUS" ]; then
      pass "$label: all $n earlier winners kept"
    else
      fail "$label: earlier winners changed or lost: $(diff <(printf '%s\n' "$PREVIOUS") <(printf '%s\n' "$rows" | head -n "$n") | head -6 | tr '\n' ' ')"
    fi
  fi
  WINNERS=$rows
}
count_rows() { if [ -z "$1" ]; then echo 0; else printf '%s\n' "$1" | wc -l; fi; }

# The program's output of one run goes to the artifact log; a sanitizer report fails the run.
collect_log() {
  local label=$1 report
  {
    echo "=== $label ==="
    cat "$WORK/run.log"
  } >>"$ART/luckydraw-$NAME.log"
  report=$(sanitizer_report "$WORK/run.log")
  if [ -z "$report" ]; then pass "$label: no sanitizer report"; else fail "$label: sanitizer report: $report"; fi
}

# What lies in db/. A journal is only tolerated right after a kill, until the next start.
db_folder() { ls -A "$APP/db" | paste -sd' '; }

JOURNALS=0
DRAWS_TOTAL=0
JOURNAL_LEFT=""
for round in $(seq 1 "$ROUNDS"); do
  label="round $round"
  failures_before=$FAILURES
  start_app "$WORK/run.log"
  if ! DRAW=$(wait_window '^VELTRAXForm' 60); then
    fail "$label: the draw window did not appear"
    collect_log "$label"
    break
  fi
  # A journal left by the last kill is rolled back when the program first reads the database.
  if [ -n "$JOURNAL_LEFT" ]; then
    end=$(($(now_ms) + 5000))
    while [ -e "$DB-journal" ] && [ "$(now_ms)" -lt "$end" ]; do sleep 0.1; done
    check "$label: leftover journal rolled back at start" test ! -e "$DB-journal"
  fi
  window_geometry "$DRAW"
  ICON_X=$((WX + 809 + 29)) ICON_Y=$((WY + 209 + 30))

  clicker=""
  if [ $((round % 3)) = 0 ]; then
    # Aimed at the write: a start, then the kill sent while the stop click is on its way, so that it
    # lands in the middle of the stop or just after.
    click_at $((ICON_X - 12)) "$ICON_Y"
    sleep "$(printf '0.%03d' $((300 + RANDOM % 500)))"
    boxes=$(unexpected_windows)
    # The write takes a few milliseconds, some 3 to 10 ms after the click is sent.
    delay=$((RANDOM % 2 ? 2 + RANDOM % 11 : RANDOM % 41))
    how="killed $delay ms after a stop click"
    (
      sleep "$(printf '0.%03d' "$delay")"
      kill -KILL "$APP_PID"
    ) 2>/dev/null &
    killer=$!
    HELPER_PIDS=$killer
    click_at $((ICON_X + 12)) "$ICON_Y" 2>/dev/null
    echo 2 >"$WORK/clicks"
    wait "$killer"
    if { wait_app_exit 10; } 2>/dev/null; then  # quietly: no "Killed" notice
      [ "$APP_STATUS" = 137 ] || fail "$label: exit status $APP_STATUS, not the kill's 137"
    else
      fail "$label: still running 10 s after SIGKILL"
    fi
  else
    # The clicks run on their own, so the kill falls at any point of a start, a tick or a stop.
    delay=$((500 + RANDOM % 3501))
    how="killed after $delay ms of clicks"
    seed=$RANDOM
    (
      RANDOM=$seed
      clicks=0
      while :; do
        # Two spots 24 px apart, so that Qt takes no pair of clicks for a double-click.
        xdotool mousemove $((ICON_X + (clicks % 2 ? 12 : -12))) "$ICON_Y" click 1 || exit
        clicks=$((clicks + 1))
        echo "$clicks" >"$WORK/clicks"
        sleep "$(printf '0.%03d' $((120 + RANDOM % 131)))"
      done
    ) &
    clicker=$!
    HELPER_PIDS=$clicker
    sleep "$(printf '%d.%03d' $((delay / 1000)) $((delay % 1000)))"
    # An error reported by the program would sit on screen in a message box.
    boxes=$(unexpected_windows)
    if [ "$round" = 1 ] || [ $((round % 10)) = 0 ]; then shot "$NAME-round-$round-before-kill"; fi
    if ! app_running; then
      wait_app_exit 1
      fail "$label: the program ended by itself during the clicks, status $APP_STATUS"
    elif { kill -KILL "$APP_PID" && wait_app_exit 10; } 2>/dev/null; then  # quietly: no "Killed" notice
      [ "$APP_STATUS" = 137 ] || fail "$label: exit status $APP_STATUS, not the kill's 137"
    else
      fail "$label: still running 10 s after SIGKILL"
    fi
  fi
  if [ -n "$clicker" ]; then { kill "$clicker" && wait "$clicker"; } 2>/dev/null; fi
  HELPER_PIDS=""
  clicks=$(cat "$WORK/clicks" 2>/dev/null || echo 0)
  rm -f "$WORK/clicks"
  if [ -n "$boxes" ]; then fail "$label: message box on screen before the kill: $(printf '%s' "$boxes" | tr '\n' ';')"; fi
  collect_log "$label"

  # The kernel dropped the killed program's lock on the event folder with it.
  if flock -n "$APP" true; then
    pass "$label: no lock left on the event folder"
  else
    fail "$label: the event folder is still locked after the kill"
  fi

  files=$(db_folder)
  JOURNAL_LEFT=""
  case "$files" in
    "db.mdb") ;;
    "db.mdb db.mdb-journal")
      JOURNAL_LEFT=yes
      JOURNALS=$((JOURNALS + 1))
      ;;
    *) fail "$label: unexpected files in db/: $files" ;;
  esac

  PREVIOUS=$WINNERS
  check_database "$label"
  before=$(count_rows "$PREVIOUS")
  after=$(count_rows "$WINNERS")
  DRAWS_TOTAL=$((DRAWS_TOTAL + after - before))
  status=ok
  [ "$FAILURES" -gt "$failures_before" ] && status=FAIL
  printf '  %-4s %-9s %-32s %2d clicks, winners %3d -> %3d%s\n' "$status" "$label" "$how" \
    "$clicks" "$before" "$after" "${JOURNAL_LEFT:+, journal left behind}"
done

# A program that kept winners only in memory would pass every check above with nothing recorded.
if [ "$DRAWS_TOTAL" -ge $(((ROUNDS + 1) / 2)) ]; then
  pass "the killed runs recorded $DRAWS_TOTAL winners"
else
  fail "only $DRAWS_TOTAL winners recorded by $ROUNDS killed runs"
fi

# ---- a clean start after all the kills ----------------------------------------------------------------
W=$(count_rows "$WINNERS")
eligible=$(sql "select count(*) from yglb where zj=0 and zp<>'';")
[ "$eligible" -gt 0 ] || die "nobody left to draw after $W winners: raise the roster size"
start_app "$WORK/run.log"
DRAW=$(wait_window '^VELTRAXForm' 60) || die "the draw window did not appear after the kills"
sleep 1
if [ -n "$JOURNAL_LEFT" ]; then check "final start: leftover journal rolled back" test ! -e "$DB-journal"; fi
check_eq "final start: db/ holds only db.mdb" db.mdb "$(db_folder)"
window_geometry "$DRAW"
ICON_X=$((WX + 809 + 29)) ICON_Y=$((WY + 209 + 30))
POWER_X=$((WX + 904 + 44)) POWER_Y=$((WY + 196 + 44))
# A celebration still pending from the last round does not exist in a fresh process.
check "final start: no fireworks at start" test -z "$(app_windows | grep ' 烟花')"
click_at "$ICON_X" "$ICON_Y"
sleep 1
click_at "$ICON_X" "$ICON_Y"
end=$(($(now_ms) + 10000))
while [ "$(sql "select count(*) from yglb where zj<>0;")" -le "$W" ] && [ "$(now_ms)" -lt "$end" ]; do sleep 0.1; done
sleep 0.5
shot "$NAME-final-draw"
QUIET=""
next=$((W + 1))
# A press of several winners starts at the next order; every order after it is checked below.
check_eq "clean draw after $ROUNDS kills continues with order $next at level $(level_for $next)" \
  "$next|$(level_for $next)" "$(sql "select zjsx, zj from yglb where zj<>0 and zjsx>$W order by zjsx;" | head -n 1)"
PREVIOUS=$WINNERS
check_database "after the clean draw"
check_no_box "the clean draw"

# Switch off properly: the fireworks (if this draw completed a level) must be gone first.
if fw=$(wait_window '^烟花' 1); then wait_gone "$fw" 10 || fail "fireworks still up 10 s after the final draw"; fi
hold_power
answer_switch_off "$WX" "$WY"
collect_log "final run"
check_eq "db/ holds only db.mdb at the end" db.mdb "$(db_folder)"

if [ "$SEALED" = 1 ]; then
  ASAN_OPTIONS=detect_leaks=0 "$BUILD/bin/eventdb" proof "$APP" "$WORK/proof.json" >"$WORK/proof.log" 2>&1 ||
    fail "eventdb proof failed: $(cat "$WORK/proof.log")"
  cp "$WORK/proof.json" "$ART/$NAME-proof.json" 2>/dev/null
  # Each verifier's replay goes to the artifacts; the last lines say why when one refuses.
  for verifier in eventdb python; do
    if [ "$verifier" = eventdb ]; then
      ASAN_OPTIONS=detect_leaks=0 "$BUILD/bin/eventdb" verify "$WORK/proof.json" >"$ART/$NAME-verify-$verifier.txt" 2>&1
    else
      /usr/bin/python3 "$(dirname "$0")/../../tools/verify_draw.py" "$WORK/proof.json" >"$ART/$NAME-verify-$verifier.txt" 2>&1
    fi
    status=$?
    check_eq "the proof replays in the $verifier verifier" 0 "$status"
    [ "$status" = 0 ] || tail -5 "$ART/$NAME-verify-$verifier.txt"
  done
  check_eq "no stop after the seal was left out of the proof" "$(count_rows "$WINNERS")" \
    "$(/usr/bin/python3 -c 'import json,sys; print(sum(1 for s in json.load(open(sys.argv[1]))["steps"] if s["event"]=="drawn"))' "$WORK/proof.json")"
fi

echo "$NAME: $ROUNDS kills, $DRAWS_TOTAL winners recorded by the killed runs, $(count_rows "$WINNERS") in all;" \
  "journal left behind by $JOURNALS kills; seed $SEED"
finish "artifacts in $ART"
