#!/usr/bin/env bash
# The stage on a second screen with the real program, real X input and two monitors: the handset stays on
# the laptop, the stage fills the projector; each participant's photo is one plain colour of its own, so the
# projector's pixels tell whose photo the hall sees. After each stop the stage must show, large, the photo of
# the winner the event database records; at the end of a prize, the wall of its winners; and the stage
# chosen once is kept with the event.
#
# Usage: tests/e2e/stage_session.sh BUILD_DIR ARTIFACT_DIR
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
NAME=stage_session
SCREEN_W=1280
SCREEN_H=800
PROJ_W=1920
PROJ_H=1080

e2e_init
rm -f "$ART"/stage-*.png
MONITORS="${SCREEN_W}x${SCREEN_H}+0+0 ${PROJ_W}x${PROJ_H}+${SCREEN_W}+0"
start_xvfb
make_event 10
log "event folder $APP, display $DISPLAY"

# Two lucky prizes, then one each of the third, second and first.
sql "update sy set sz=1 where symc='JX'; delete from jxsz; insert into jxsz (jx, sl) values (1,1),(2,1),(3,1),(4,2);" ||
  die "cannot set the plan"
# One plain colour per participant, far apart from each other and from the stage's own colours.
rm -rf "$APP/zpgq"
declare -A COLOUR
while IFS='|' read -r id photo; do
  [ -n "$id" ] || continue
  # Hues 29 degrees apart from yellow-green round to magenta, clear of the stage's reds and golds.
  c=$(python3 -c "import colorsys; r,g,b=colorsys.hsv_to_rgb((70+29*(($id-1)%10))/360,0.9,0.85); print('rgb(%d,%d,%d)'%(r*255,g*255,b*255))")
  COLOUR[$id]=$c
  convert -size 480x360 "xc:$c" -quality 95 "$APP/${photo//\\//}" || die "cannot write the photo of $id"
done < <(sql "select id, zp from yglb order by id;")

# The projector's share of a screenshot that is within a few steps of COLOUR: "W H" of its bounding box.
colour_box() {
  convert "$1" -crop "${PROJ_W}x${PROJ_H}+${SCREEN_W}+0" +repage -fuzz 4% -fill black +opaque "$2" \
    -fill white -opaque "$2" -trim -format '%w %h' info: 2>/dev/null
}

start_app "$ART/luckydraw-stage.log" --stage
DRAW=$(wait_window '^VELTRAXForm' 60) || die "the draw window did not appear (log: $(tail -5 "$ART/luckydraw-stage.log"))"
STAGE=$(wait_window '^抽奖舞台' 20) || die "the stage did not appear"
sleep 1.5
window_geometry "$STAGE"
check_eq "the stage fills the projector" "$SCREEN_W,0 ${PROJ_W}x$PROJ_H" "$WX,$WY ${WW}x$WH"
window_geometry "$DRAW"
check "the handset stays on the laptop" [ $((WX + WW)) -le "$SCREEN_W" ]
DX=$WX DY=$WY
check_eq "the choice is kept with the event" "1" "$(sql "select sz from sy where symc='WT';")"
shot stage-01-idle
check_no_box start

LEVEL_DONE=0
for draw in 1 2; do
  xdotool mousemove $((DX + 500)) $((DY + 250))
  press space
  sleep 1.5
  shot "stage-0$((draw + 1))-rolling"
  press space
  sleep 2
  row=$(sql "select id, xm from yglb where zj>0 and zjsx=$draw;")
  id=${row%%|*}
  [ -n "$id" ] || die "no winner recorded at draw $draw"
  shot "stage-0$((draw + 1))-result"
  read -r w h <<<"$(colour_box "$ART/stage-0$((draw + 1))-result.png" "${COLOUR[$id]}")"
  check "draw $draw: the stage shows ${row#*|}'s photo, at least 45 % of its height (${w:-0}x${h:-0})" \
    [ "${h:-0}" -ge $((PROJ_H * 45 / 100)) ]
  # Nobody else is shown that large: the colour check tells people apart.
  other=$(sql "select id from yglb where zj=0 order by id limit 1;")
  read -r w h <<<"$(colour_box "$ART/stage-0$((draw + 1))-result.png" "${COLOUR[$other]}")"
  check "draw $draw: nobody undrawn is shown large (${w:-0}x${h:-0})" [ "${h:-0}" -lt $((PROJ_H * 20 / 100)) ]
done

# The lucky prize is complete: fireworks, then the wall of both its winners.
sleep 1
shot stage-04-fireworks
sleep 6
shot stage-05-wall
for id in $(sql "select id from yglb where zj=4;"); do
  read -r w h <<<"$(colour_box "$ART/stage-05-wall.png" "${COLOUR[$id]}")"
  check "the wall shows winner $id's photo" [ "${h:-0}" -ge 40 ]
done
check_no_box "the wall"
check "no sanitizer report" [ -z "$(sanitizer_report "$ART/luckydraw-stage.log")" ]

kill -TERM "$APP_PID"
if wait_app_exit 15; then
  check_eq "SIGTERM ends the program with status 0" 0 "$APP_STATUS"
else
  fail "the program still runs 15 s after SIGTERM"
fi
finish "screenshots in $ART"
