#!/usr/bin/env bash
# An operator's evening with the real program on a virtual display, driven by real X input: open the
# settings window from the power key, save the event information and a small prize plan, close the
# window, draw the first prizes from the draw icon and the rest from a presentation clicker's keys (one
# winner absent and redrawn), show the key overlay and a black screen, refuse a window manager's close,
# switch off from the power key; then start again on the projector (a second screen), fill it in
# presentation mode and draw there: black on the projector, the operator's questions on the laptop, a
# bounced clicker, a called-off roll, and every way out (确定, SIGTERM, SIGHUP, the display lost) ending the
# program with the event lock released. The event database is then read back with the sqlcipher shell.
#
# Usage: tests/e2e/operator_session.sh BUILD_DIR ARTIFACT_DIR
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
NAME=operator_session

# What the operator types. Blanks around the company name must not be stored; its quote must survive.
COMPANY_TYPED="  星海科技 O'Neil & Co  "
COMPANY="星海科技 O'Neil & Co"
CONTACT="张伟 (Wei Zhang)"
PHONE="+86 10-5555 0199"
# First, second, third, lucky: blocks of lucky 3, third 2, second 1, first 1 => levels 4,4,4,3,3,2,1.
Q1=1 Q2=1 Q3=" 2 " Q4=3
EXPECTED_LEVELS=(4 4 4 3 3 2 1)
# Draws after which a prize level is complete.
COMPLETES=" 3 5 6 7 "

e2e_init
rm -f "$ART"/[0-9][0-9]-*.png "$ART"/unexpected-box-*.png
# The laptop's own screen (primary) and, to its right, a projector.
MONITORS="${SCREEN_W}x${SCREEN_H}+0+0 1920x1080+${SCREEN_W}+0"
PROJECTOR_X=$SCREEN_W
start_xvfb
make_event 30
log "event folder $APP, display $DISPLAY"

# ---- start -------------------------------------------------------------------------------------------
start_app "$ART/luckydraw-operator.log"
DRAW=$(wait_window '^VELTRAXForm' 60) || die "the draw window did not appear (log: $(tail -5 "$ART/luckydraw-operator.log"))"
sleep 1
window_geometry "$DRAW"
DX=$WX DY=$WY
check_eq "draw window centred on the 1280x1024 screen" "132,259 1015x506" "$DX,$DY ${WW}x$WH"
shot 01-start
check_no_box start

# ---- a second program on the same event is refused; the first goes on untouched -----------------------
db_before=$(sha256sum "$APP/db/db.mdb" | cut -d' ' -f1)
(cd "$APP" && exec env QT_QPA_PLATFORM=xcb ASAN_OPTIONS=detect_leaks=0 "$APP/luckydraw") >"$WORK/second.log" 2>&1 &
SECOND_PID=$!
HELPER_PIDS="$SECOND_PID"
box=""
for _ in $(seq 100); do
  box=$(xdotool search --all --onlyvisible --pid "$SECOND_PID" --name '.*' 2>/dev/null | head -1) || true
  [ -n "$box" ] && break
  kill -0 "$SECOND_PID" 2>/dev/null || break
  sleep 0.1
done
if [ -n "$box" ]; then
  pass "a second program on the same event shows a message ($(xdotool getwindowname "$box"))"
  shot 01-second-refused
  xdotool windowactivate --sync "$box" 2>/dev/null || xdotool windowfocus "$box" 2>/dev/null || true
  xdotool key --window "$box" Return
else
  fail "a second program on the same event showed no message"
fi
second_status=""
for _ in $(seq 100); do
  if ! kill -0 "$SECOND_PID" 2>/dev/null; then
    wait "$SECOND_PID"
    second_status=$?
    break
  fi
  sleep 0.1
done
[ -n "$second_status" ] || kill -KILL "$SECOND_PID" 2>/dev/null
HELPER_PIDS=""
check_eq "the second program ends with status 1" 1 "$second_status"
check "the first program still runs" app_running
check "its draw window is still shown" window_visible "$DRAW"
check_eq "the event database untouched by the second program" "$db_before" \
  "$(sha256sum "$APP/db/db.mdb" | cut -d' ' -f1)"

ICON_X=$((DX + 809 + 29)) ICON_Y=$((DY + 209 + 30))
POWER_X=$((DX + 904 + 44)) POWER_Y=$((DY + 196 + 44))
# The winner photo's yellow frame, left edge, half-way down.
FRAME_X=$((DX + 176 + 12 + 2)) FRAME_Y=$((DY + 40 + 33 + 156))
TILES="382x405+$((DX + 176 + 16))+$((DY + 40))"
YELLOW="255,255,0"

# ---- settings window -----------------------------------------------------------------------------------
xdotool mousemove "$POWER_X" "$POWER_Y" click --repeat 2 --delay 80 1
SETTINGS=$(wait_window '^设置' 30) || die "a double-click on the power key opened no settings window"
sleep 1
window_geometry "$SETTINGS"
SX=$WX SY=$WY
check_eq "settings window 15 px above the centre" "227,232 818x503" "$SX,$SY ${WW}x$WH"
check_eq "one settings window for one double-click" 1 "$(app_windows | grep -c ' 设置')"

# type_into X Y TEXT: click into an edit, select all of it, type over it.
type_into() {
  xdotool mousemove "$1" "$2" click 1
  sleep 0.3
  xdotool key ctrl+a
  if [ -n "$3" ]; then xdotool type --delay 25 "$3"; else xdotool key BackSpace; fi
  sleep 0.2
}

# answer_info STAGE: the information box the last button raised, screenshot, dismissed with Return.
answer_info() {
  local box
  if ! box=$(wait_window '^提示' 15); then
    fail "no information box after $1"
    shot "unexpected-box-$1"
    return
  fi
  pass "information box after $1"
  sleep 0.3
  shot "$2"
  xdotool windowfocus "$box" 2>/dev/null || true
  sleep 0.1
  xdotool key Return
  if ! wait_gone "$box" 5; then
    # Return went elsewhere: press its only button instead.
    window_geometry "$box"
    click_at $((WX + WW / 2)) $((WY + WH - 22))
    wait_gone "$box" 5 || die "the information box after $1 cannot be dismissed"
  fi
  pass "information box after $1 dismissed"
}

GB1_X=$((SX + 16)) GB1_Y=$((SY + 8))
type_into $((GB1_X + 72 + 120)) $((GB1_Y + 20 + 9)) "$COMPANY_TYPED"
type_into $((GB1_X + 72 + 120)) $((GB1_Y + 68 + 9)) "$CONTACT"
type_into $((GB1_X + 72 + 120)) $((GB1_Y + 92 + 9)) "$PHONE"
click_at $((GB1_X + 336 + 32)) $((GB1_Y + 21 + 20))
answer_info "the event information update" 02-settings-updated-box
check_eq "event information saved (stored trimmed, quote intact)" \
  "GSMC|$COMPANY;LXDH|$PHONE;LXRY|$CONTACT" \
  "$(sql "select upper(xm), sz from jcsz order by upper(xm);" | paste -sd';')"

GB2_X=$((SX + 440)) GB2_Y=$((SY + 8))
type_into $((GB2_X + 113 + 29)) $((GB2_Y + 21 + 9)) "$Q1"
type_into $((GB2_X + 224 + 29)) $((GB2_Y + 21 + 9)) "$Q2"
type_into $((GB2_X + 113 + 29)) $((GB2_Y + 45 + 9)) "$Q3"
type_into $((GB2_X + 224 + 29)) $((GB2_Y + 45 + 9)) "$Q4"
shot 03-settings
click_at $((GB2_X + 290 + 32)) $((GB2_Y + 21 + 20))
answer_info "the prize plan update" 04-plan-saved-box
check_eq "prize plan saved: limited, first 1, second 1, third 2, lucky 3" "JX|1;1|1;2|1;3|2;4|3" \
  "$(sql "select upper(symc), sz from sy where symc='jx'; select jx, sl from jxsz order by jx;" | paste -sd';')"
check_no_box "the settings"

# The clicker's keys in the roster grid are the grid's own: they move the selection, and draw nothing behind.
click_at $((SX + 10 + 120)) $((SY + 151 + 30))
sleep 0.3
name_before=$(sql "select count(*) from yglb;")
press Down Down Next space Return Right Delete b
sleep 0.8
check_eq "keys in the roster grid record no winner" 0 "$(sql "select count(*) from yglb where zj<>0;")"
if app_windows | grep -q ' 黑屏'; then fail "B in the roster grid blacked out the screen"; else pass "B in the roster grid did nothing to the screen"; fi
check_no_box "keys in the roster grid"
check_eq "the roster untouched by the keys" "$name_before" "$(sql "select count(*) from yglb;")"
shot 04-roster-keys

# Closed the way a window manager's close box closes it: the window hides, the program goes on.
"$WM_CLOSE" "$SETTINGS"
if wait_gone "$SETTINGS" 10; then pass "settings window closed"; else fail "settings window still shown after close"; fi
check "program still running after the settings window closed" app_running
check "draw window still shown" window_visible "$DRAW"
# The light face of the "确定" button shows only with the confirm panel.
CONFIRM_X=$((DX + 176 + 160 + 8)) CONFIRM_Y=$((DY + 40 + 224 + 14))
confirm_shown() { pixel "$1" "$CONFIRM_X" "$CONFIRM_Y" | awk -F, '{ exit !($1 > 200 && $2 > 200 && $3 > 200) }'; }
sleep 0.5
import -window root "$WORK/idle.png"
if confirm_shown "$WORK/idle.png"; then
  fail "the double-click on the power key brought up the confirm panel"
else
  pass "no confirm panel after the double-click"
fi

# ---- the draws: 1 to 4 with the mouse on the draw icon, 5 to 7 from a clicker (keys only) -------------------
winners() { sql "select count(*) from yglb where zj>0;"; }
# Draws from here on are driven by keys; the keyboard goes to the draw window as a desktop gives it the
# window in front.
KEYS_FROM=5
focus_draw() { xdotool windowfocus --sync "$DRAW" 2>/dev/null || true; }
# start_roll K / stop_roll K: the mouse on the draw icon, or the clicker keys in turn.
START_KEYS=(space Next Right Down space Return Next)
STOP_KEYS=(Return Right Down Next Return space Down)
start_roll() {
  if [ "$1" -lt "$KEYS_FROM" ]; then click_at "$ICON_X" "$ICON_Y"; else press "${START_KEYS[$(($1 - 1))]}"; fi
}
stop_roll() {
  if [ "$1" -lt "$KEYS_FROM" ]; then click_at "$ICON_X" "$ICON_Y"; else press "${STOP_KEYS[$(($1 - 1))]}"; fi
}
tiles_rolling() {
  import -window root "$WORK/roll-a.png"
  sleep 0.4
  import -window root "$WORK/roll-b.png"
  changed=$(differing_pixels "$WORK/roll-a.png" "$WORK/roll-b.png" "$TILES")
  [ "${changed:-0}" -gt 1000 ]
}

# draw K LEVEL ROUND: one start and stop, the winner checked, the fireworks waited out.
draw() {
  local k=$1 level=$2 round=$3
  log "draw $k$round (expect level $level)"
  if [ "$k$round" = 6 ]; then
    # The start key held down: its repeats neither stop the roll nor start it again.
    xdotool keydown Next
    sleep 1.5
    xdotool keyup Next
  else
    start_roll "$k"
  fi
  sleep 0.4
  if tiles_rolling; then
    pass "draw $k$round: tiles rolling ($changed pixels changed)"
  else
    fail "draw $k$round: tiles not rolling ($changed pixels changed)"
  fi
  if [ "$(pixel "$WORK/roll-b.png" "$FRAME_X" "$FRAME_Y")" != "$YELLOW" ]; then
    pass "draw $k$round: winner photo hidden while rolling"
  else
    fail "draw $k$round: winner photo still shown while rolling"
  fi
  [ "$k$round" = 1 ] && cp "$WORK/roll-b.png" "$ART/05-rolling.png"
  [ "$k$round" = 6 ] && check_eq "draw 6: a held start key records nobody" "$((k - 1))" "$(winners)"
  sleep 0.2
  stop_roll "$k"
  stopped=$(now_ms)

  end=$(($(now_ms) + 10000))
  while [ "$(winners)" -lt "$k" ] && [ "$(now_ms)" -lt "$end" ]; do sleep 0.1; done
  check_eq "draw $k$round: winner recorded with order $k and level $level" "$k|$level" \
    "$(sql "select zjsx, zj from yglb where zjsx=$k and zj>0;" | paste -sd';')"
  check_eq "draw $k$round: $k winners in all" "$k" "$(winners)"
  sleep 0.5
  shot "06-draw-$k$round-a-result"

  if [[ "$COMPLETES" == *" $k "* ]]; then
    if fw=$(wait_window '^烟花' 5); then
      pass "draw $k$round completes a level: fireworks window shown"
      shot "06-draw-$k$round-b-fireworks"
      # Above the handset the desktop is black unless fireworks cover it.
      lit=$(lit_pixels "$ART/06-draw-$k$round-b-fireworks.png" "${SCREEN_W}x${DY}+0+0")
      if [ "${lit:-0}" -gt 500 ]; then
        pass "draw $k$round: fireworks on screen ($lit lit pixels above the handset)"
      else
        fail "draw $k$round: fireworks window up but nothing drawn above the handset ($lit lit pixels)"
      fi
      if [ "$k" = "${#EXPECTED_LEVELS[@]}" ]; then
        # The fireworks cover the draw icon: a start and a stop clicked through them record one more
        # winner, outside the plan.
        # Every prize is drawn: the operator's screen says that the next winner is outside the plan.
        if wait_window '^计划外提示' 5 >/dev/null; then
          pass "after the last prize a notice says the next winner is outside the plan"
        else
          fail "no notice after the last prize"
        fi
        click_at "$ICON_X" "$ICON_Y"
        sleep 0.3
        click_at "$ICON_X" "$ICON_Y"
        through_end=$(($(now_ms) + 3000))
        while [ "$(winners)" -le "$k" ] && [ "$(now_ms)" -lt "$through_end" ]; do sleep 0.1; done
        check_eq "clicks through the fireworks reach the draw icon" "$((k + 1))" "$(winners)"
      fi
      if wait_gone "$fw" 10; then
        # The three seconds start when the window shows, after the stop click.
        up=$(($(now_ms) - stopped))
        if [ "$up" -ge 2900 ]; then
          pass "draw $k$round: fireworks hid by themselves ${up} ms after the stop"
        else
          fail "draw $k$round: fireworks gone only ${up} ms after the stop"
        fi
      else
        fail "draw $k$round: fireworks still up 10 s later"
      fi
    else
      fail "draw $k$round completes a level but no fireworks window appeared"
    fi
  else
    sleep 1
    import -window root "$WORK/after.png"
    lit=$(lit_pixels "$WORK/after.png" "${SCREEN_W}x${DY}+0+0")
    if app_windows | grep -q ' 烟花' || [ "${lit:-0}" -gt 50 ]; then
      fail "draw $k$round completes nothing but fireworks are shown ($lit lit pixels above the handset)"
    else
      pass "draw $k$round: no fireworks (level not complete)"
    fi
  fi
  # Checked once the fireworks are gone: they may cover the frame.
  import -window root "$WORK/result.png"
  check_eq "draw $k$round: winner photo shown" "$YELLOW" "$(pixel "$WORK/result.png" "$FRAME_X" "$FRAME_Y")"
  check_no_box "draw $k$round"
  check "program running after draw $k$round" app_running
}

# mark_absent K: the winner shown is not in the room: Delete, and the question answered with its Y key.
mark_absent() {
  local k=$1 box
  ABSENT_ID=$(sql "select id from yglb where zjsx=$k and zj>0;")
  press Delete
  if ! box=$(wait_window '^提示' 10); then
    shot "unexpected-box-absent"
    fail "Delete on the result asked nothing"
    return
  fi
  pass "Delete on the result asks whether the winner is absent"
  shot 07-absent-question
  xdotool windowfocus --sync "$box" 2>/dev/null || true
  press y
  wait_gone "$box" 5 || fail "the absence question stayed up after Y"
  focus_draw
  end=$(($(now_ms) + 5000))
  while [ "$(winners)" -ge "$k" ] && [ "$(now_ms)" -lt "$end" ]; do sleep 0.1; done
  check_eq "the absent winner is recorded absent, order freed" "-1|0" \
    "$(sql "select zj, zjsx from yglb where id=$ABSENT_ID;")"
  check_eq "$((k - 1)) winners after the absence" "$((k - 1))" "$(winners)"
  sleep 0.3
  shot 07-absent-marked
}

for k in $(seq 1 ${#EXPECTED_LEVELS[@]}); do
  if [ "$k" = "$KEYS_FROM" ]; then
    log "clicker round: keys only from here"
    xdotool mousemove $((DX + 60)) $((DY + DY / 2 + 400))
    focus_draw
  fi
  draw "$k" "${EXPECTED_LEVELS[$((k - 1))]}" ""
  if [ "$k" = 6 ]; then
    mark_absent 6
    # The replacement gets the absent winner's second prize and draw order 6, fireworks and all.
    draw 6 "${EXPECTED_LEVELS[5]}" "-replacement"
  fi
done

# ---- keys for the audience: the key overlay, a black screen, and a close that only asks ---------------------
focus_draw
press F1
sleep 0.5
shot 08-key-overlay
# The overlay's dark card, right of its title.
overlay_shown() {
  pixel "$1" $((DX + 196 + 560)) $((DY + 62 + 24)) | awk -F, '{ exit !($1 < 60 && $2 < 60 && $3 < 90) }'
}
check "F1 shows the key overlay over the handset's screen" overlay_shown "$ART/08-key-overlay.png"
press Escape
sleep 0.4
import -window root "$WORK/overlay-gone.png"
if overlay_shown "$WORK/overlay-gone.png"; then fail "Escape left the key overlay up"; else pass "Escape hides the key overlay"; fi
press b
sleep 0.6
import -window root "$WORK/blank.png"
lit=$(lit_pixels "$WORK/blank.png" "${SCREEN_W}x${SCREEN_H}+0+0")
check_eq "B blacks out the whole screen" 0 "${lit:-x}"
press b
sleep 0.6
import -window root "$WORK/unblank.png"
check_eq "B again brings the draw window back with the last winner" "$YELLOW" \
  "$(pixel "$WORK/unblank.png" "$FRAME_X" "$FRAME_Y")"
# A window manager's close box (or Alt+F4) asks the switch-off question; Escape answers 取消.
"$WM_CLOSE" "$DRAW"
sleep 0.6
import -window root "$WORK/wm-close.png"
check "a window manager's close shows the switch-off question" confirm_shown "$WORK/wm-close.png"
check "the program still runs after the close request" app_running
press Escape
sleep 0.5
import -window root "$WORK/wm-close-cancelled.png"
if confirm_shown "$WORK/wm-close-cancelled.png"; then fail "Escape did not answer 取消"; else pass "Escape answers 取消"; fi
check_no_box "the audience keys"

# ---- switch off: first changing one's mind, then for real ------------------------------------------------
sleep 0.5
hold_power
shot 20-confirm
if [ "$(pixel "$ART/20-confirm.png" "$FRAME_X" "$FRAME_Y")" != "$YELLOW" ] && confirm_shown "$ART/20-confirm.png"; then
  pass "confirm panel replaced the draw panel after a 2.3 s hold"
else
  fail "no confirm panel after a 2.3 s hold"
fi
click_at $((DX + 176 + 294 + 62)) $((DY + 40 + 224 + 14))
sleep 0.6
import -window root "$WORK/cancelled.png"
if [ "$(pixel "$WORK/cancelled.png" "$FRAME_X" "$FRAME_Y")" = "$YELLOW" ] && ! confirm_shown "$WORK/cancelled.png"; then
  pass "取消 brings back the draw panel with the last winner"
else
  fail "取消 did not bring back the draw panel"
fi
check "program still running after 取消" app_running
hold_power
shot 21-confirm-again
check "confirm panel again after a second hold" confirm_shown "$ART/21-confirm-again.png"
check_no_box "the power-key hold"
answer_switch_off "$DX" "$DY"

# ---- the projector: started on the second screen, presentation mode, then a termination signal -------------
# The hall's round draws without a limit: every prize of the plan is gone, and the question that a start then
# asks has its own check above.
sql "update sy set sz=0 where symc='jx';" >/dev/null || fail "cannot switch the prize limit off"
start_app "$ART/luckydraw-projector.log" --screen 2
PROJ=$(wait_window '^VELTRAXForm' 60) || die "the draw window did not appear on the projector"
sleep 1
window_geometry "$PROJ"
check_eq "--screen 2: the draw window centred on the projector at 1:1" "$((PROJECTOR_X + 452)),287 1015x506" \
  "$WX,$WY ${WW}x$WH"
check_eq "the chosen screen is remembered in the event" 2 "$(sql "select sz from sy where symc='PM';")"
xdotool windowfocus --sync "$PROJ" 2>/dev/null || true
press F11
sleep 1.5
STAGE=$(wait_window '^VELTRAXForm' 10) || die "no window after F11"
window_geometry "$STAGE"
check_eq "F11: the draw window fills the projector" "$PROJECTOR_X,0 1920x1080" "$WX,$WY ${WW}x$WH"
import -window root "$WORK/presentation-root.png"
convert "$WORK/presentation-root.png" -crop "1920x1080+$PROJECTOR_X+0" +repage "$ART/09-presentation.png"
check_eq "black all round the scaled handset" "0,0,0" "$(pixel "$ART/09-presentation.png" 5 1075)"
# Scale 1920/1015, centred top to bottom: the draw icon's middle (838, 239) on the screen.
S_ICON_X=$((PROJECTOR_X + 838 * 1920 / 1015)) S_ICON_Y=$(((1080 - 506 * 1920 / 1015) / 2 + 239 * 1920 / 1015))
before=$(winners)
click_at "$S_ICON_X" "$S_ICON_Y"
sleep 0.5
import -window root "$WORK/p-roll-a.png"
sleep 0.4
import -window root "$WORK/p-roll-b.png"
P_TILES="$((382 * 1920 / 1015))x$((405 * 1920 / 1015))+$((PROJECTOR_X + 192 * 1920 / 1015))+$(((1080 - 506 * 1920 / 1015) / 2 + 40 * 1920 / 1015))"
changed=$(differing_pixels "$WORK/p-roll-a.png" "$WORK/p-roll-b.png" "$P_TILES")
if [ "${changed:-0}" -gt 2000 ]; then pass "the scaled draw icon starts the roll ($changed pixels changed)"; else fail "no roll after a click on the scaled draw icon ($changed)"; fi
click_at "$S_ICON_X" "$S_ICON_Y"
end=$(($(now_ms) + 5000))
while [ "$(winners)" -le "$before" ] && [ "$(now_ms)" -lt "$end" ]; do sleep 0.1; done
check_eq "the scaled draw icon stops and records a winner" "$((before + 1))" "$(winners)"
sleep 0.8
import -window root "$WORK/presentation-root.png"
convert "$WORK/presentation-root.png" -crop "1920x1080+$PROJECTOR_X+0" +repage "$ART/10-presentation-result.png"
check_no_box "presentation mode"

# ---- the hall in presentation mode: black on the projector, questions on the laptop, every way out -----------
projector_lit() {
  import -window root "$WORK/hall.png"
  lit_pixels "$WORK/hall.png" "1920x1080+$PROJECTOR_X+0"
}
xdotool windowfocus --sync "$STAGE" 2>/dev/null || true
press b
sleep 0.6
check_eq "B blacks out the projector, where the hall looks" 0 "$(projector_lit)"
press b
sleep 0.6
lit=$(printf '%.0f' "$(projector_lit)")
if [ "${lit:-0}" -gt 10000 ]; then pass "B again: the picture is back on the projector"; else fail "B again left the projector dark ($lit)"; fi
# No mouse from here: the keyboard must have come back to the draw by itself (there is no window manager).
before=$(winners)
rolled_at=$(now_ms)
xdotool key --delay 40 space space
sleep 0.5
check_eq "a bounced clicker press (two presses 40 ms apart) records nobody" "$before" "$(winners)"
press Next
end=$(($(now_ms) + 5000))
while [ "$(winners)" -le "$before" ] && [ "$(now_ms)" -lt "$end" ]; do sleep 0.05; done
took=$(($(now_ms) - rolled_at))
check_eq "the clicker draws after the black screen, no click needed" "$((before + 1))" "$(winners)"
if [ "$took" -ge 1000 ]; then pass "an early stop waited for the minimum roll (${took} ms)"; else fail "winner ${took} ms after the start"; fi
sleep 0.8
press Delete
if box=$(wait_window '^提示' 10); then
  window_geometry "$box"
  if [ $((WX + WW)) -le "$PROJECTOR_X" ]; then pass "the absence question opens on the laptop"; else fail "the absence question at $WX,$WY ${WW}x$WH"; fi
  shot 11-hall-question
  xdotool windowfocus --sync "$box" 2>/dev/null || true
  press n
  wait_gone "$box" 5 || fail "the absence question stayed up after N"
else
  fail "Delete in presentation mode asked nothing"
fi
check_eq "answered No: the winner keeps the prize" "$((before + 1))" "$(winners)"
# The keyboard is back after the question; a roll started by mistake is called off.
press space
sleep 0.6
press Escape
sleep 0.5
check_eq "Escape calls off the roll: nobody drawn" "$((before + 1))" "$(winners)"
check_eq "the journal notes the called-off roll" 1 "$(sql "select count(*) from cjrz where lx='roll cancelled';")"
check_no_box "the hall's keys"
# A window manager's close on the presentation window asks on the laptop; 确定 ends the program.
"$WM_CLOSE" "$STAGE"
if box=$(wait_window '^提示' 10); then
  window_geometry "$box"
  if [ $((WX + WW)) -le "$PROJECTOR_X" ]; then pass "the switch-off question opens on the laptop"; else fail "the switch-off question at $WX,$WY ${WW}x$WH"; fi
  xdotool windowfocus --sync "$box" 2>/dev/null || true
  press y
  if wait_app_exit 5; then
    check_eq "确定 ends the program from presentation mode with status 0" 0 "$APP_STATUS"
  else
    shot 12-still-running
    fail "program still running 5 s after 确定 in presentation mode"
  fi
else
  fail "a window manager's close in presentation mode asked nothing"
fi
check "the event lock is released" flock -n "$APP" true
report=$(sanitizer_report "$ART/luckydraw-projector.log")
if [ -z "$report" ]; then pass "no sanitizer report in the projector round"; else fail "sanitizer report: $report"; fi

# Presentation mode from the start, ended by SIGTERM and by SIGHUP.
for sig in TERM HUP; do
  start_app "$ART/luckydraw-signal-$sig.log" --presentation
  STAGE=$(wait_window '^VELTRAXForm' 60) || die "no presentation window for the SIG$sig round"
  sleep 1
  window_geometry "$STAGE"
  check_eq "--presentation on the remembered projector" "$PROJECTOR_X,0 1920x1080" "$WX,$WY ${WW}x$WH"
  kill -"$sig" "$APP_PID"
  if wait_app_exit 5; then
    check_eq "SIG$sig ends presentation mode with status 0, without a question" 0 "$APP_STATUS"
  else
    fail "program still running 5 s after SIG$sig in presentation mode"
  fi
  check "the event lock is released after SIG$sig" flock -n "$APP" true
done

report=$(sanitizer_report "$ART/luckydraw-operator.log")
if [ -z "$report" ]; then pass "no sanitizer report"; else fail "sanitizer report: $report"; fi

# ---- the database afterwards ---------------------------------------------------------------------------------
check_eq "database integrity" ok "$(sql "PRAGMA integrity_check;")"
check_eq "winners in draw order with their levels" "1|4;2|4;3|4;4|3;5|3;6|2;7|1;8|99;9|99;10|99" \
  "$(sql "select zjsx, zj from yglb where zj>0 order by zjsx;" | paste -sd';')"
check_eq "journal: every winner as recorded, the absent one's draw withdrawn" \
  "$(sql "select zjsx, zj, id from yglb where zj>0 order by zjsx;" | paste -sd';')" \
  "$(sql "select zjsx, zj, ygid from cjrz c where lx='drawn' and not exists (select 1 from cjrz a
          where a.lx='absent' and a.ygid=c.ygid and a.zjsx=c.zjsx) order by xh;" | paste -sd';')"
check_eq "journal: the absence with the prize it gave up" "$ABSENT_ID|6|2" \
  "$(sql "select ygid, zjsx, zj from cjrz where lx='absent';")"
check_eq "one participant absent, never drawn again" "$ABSENT_ID" "$(sql "select id from yglb where zj<0;")"
check_eq "10 distinct draw orders and 10 distinct winners" "10|10" \
  "$(sql "select count(distinct zjsx), count(distinct id) from yglb where zj>0;")"
check_eq "nobody else carries a draw order" 0 "$(sql "select count(*) from yglb where zj=0 and zjsx<>0;")"
check_eq "event information still as saved" "GSMC|$COMPANY;LXDH|$PHONE;LXRY|$CONTACT" \
  "$(sql "select upper(xm), sz from jcsz order by upper(xm);" | paste -sd';')"
check_eq "only db.mdb in db/" db.mdb "$(ls -A "$APP/db" | paste -sd' ')"

# ---- a logout: the X connection goes away under presentation mode ------------------------------------------
start_app "$ART/luckydraw-x-lost.log" --presentation
wait_window '^VELTRAXForm' 60 >/dev/null || die "no presentation window for the lost display"
sleep 1
kill "$XVFB_PID"
wait "$XVFB_PID" 2>/dev/null || true
XVFB_PID=""
if wait_app_exit 5; then pass "the program ends when the display goes (status $APP_STATUS)"; else fail "program still running 5 s after its display went"; fi
check "the event lock is released after the display went" flock -n "$APP" true

grep -v -e '^QStandardPaths: XDG_RUNTIME_DIR' "$ART/luckydraw-operator.log" | sed 's/^/  program: /' | head -20

finish "screenshots in $ART"
