# Shared by the end-to-end scripts (sourced): a private virtual display, a scratch event folder, the
# real program with real X input, the event database read through the sqlcipher shell, and checks that
# count failures instead of stopping at the first one.
#
# The caller sets BUILD (build folder with app/ and bin/eventdb) and ART (artifact folder) first.

E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
DB_KEY=kzm_30918265
SCREEN_W=1280
SCREEN_H=1024

CHECKS=0
FAILURES=0
XVFB_PID=""
APP_PID=""
WORK=""
APP=""
DB=""
WM_CLOSE=""

log() { printf '[%s] %s\n' "$(date +%T)" "$*"; }
# QUIET=1 counts passed checks without listing them.
pass() {
  CHECKS=$((CHECKS + 1))
  if [ -z "${QUIET:-}" ]; then printf '  ok    %s\n' "$*"; fi
}
fail() {
  CHECKS=$((CHECKS + 1))
  FAILURES=$((FAILURES + 1))
  printf '  FAIL  %s\n' "$*"
}
# check DESCRIPTION COMMAND...: the command's success is the check.
check() {
  local what=$1
  shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}
# check_eq DESCRIPTION EXPECTED ACTUAL
check_eq() {
  if [ "$2" = "$3" ]; then
    pass "$1"
  else
    fail "$1: expected [$2], got [$3]"
  fi
}
# A fault that makes the rest meaningless: report and stop (the exit trap cleans up).
die() {
  fail "$*"
  echo "${NAME:-e2e}: FAIL (stopped: $*)"
  exit 1
}

now_ms() { date +%s%3N; }

# Holds the power key (POWER_X, POWER_Y) for 2.3 s, as an operator does to switch off.
hold_power() {
  xdotool mousemove "$POWER_X" "$POWER_Y" mousedown 1
  sleep 2.3
  xdotool mouseup 1
  sleep 0.6
}
# answer_switch_off X Y: 确定 on the confirm panel of the draw window at X,Y; the program must end with 0.
answer_switch_off() {
  click_at $(($1 + 176 + 160 + 62)) $(($2 + 40 + 224 + 14))
  if wait_app_exit 15; then
    check_eq "program ended by 确定 with status 0" 0 "$APP_STATUS"
  else
    fail "program still running 15 s after 确定"
  fi
}
# finish WHERE: the verdict line (WHERE says where the screenshots are) and the exit status.
finish() {
  local elapsed=$((($(now_ms) - STARTED) / 1000))
  if [ "$FAILURES" -eq 0 ]; then
    echo "$NAME: PASS ($CHECKS checks, ${elapsed} s; $1)"
    exit 0
  fi
  echo "$NAME: FAIL ($FAILURES of $CHECKS checks failed, ${elapsed} s; $1)"
  exit 1
}

# Helpers the caller runs in the background (the crash rounds' clicker).
HELPER_PIDS=""

e2e_cleanup() {
  local pid
  for pid in $HELPER_PIDS; do kill "$pid" 2>/dev/null || true; done
  if [ -n "$APP_PID" ] && kill -0 "$APP_PID" 2>/dev/null; then
    kill -KILL "$APP_PID" 2>/dev/null || true
    wait "$APP_PID" 2>/dev/null || true
  fi
  if [ -n "$XVFB_PID" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
  fi
  if [ -n "$WORK" ] && [ -z "${E2E_KEEP:-}" ]; then rm -rf "$WORK"; fi
}

# Scratch folder, artifact folder, the window-close helper.
e2e_init() {
  [ -x "$BUILD/app/luckydraw" ] || die "no program at $BUILD/app/luckydraw"
  [ -x "$BUILD/bin/eventdb" ] || die "no database tool at $BUILD/bin/eventdb"
  for tool in Xvfb xdotool xdpyinfo xrandr import compare convert sqlcipher cc; do
    command -v "$tool" >/dev/null || die "$tool is not installed"
  done
  mkdir -p "$ART"
  ART=$(cd "$ART" && pwd)
  WORK=$(mktemp -d /tmp/luckydraw-e2e.XXXXXX)
  WM_CLOSE=$WORK/wm_close
  cc -O1 -o "$WM_CLOSE" "$E2E_DIR/wm_close.c" -lX11 || die "cannot build the window-close helper"
}

# A private display: the first number that neither a socket nor a lock file claims. MONITORS, when set
# ("WxH+X+Y ..."), lays out several screens side by side: one virtual screen holding them all, cut into
# RandR monitors that the program sees as screens of their own, the first one primary.
start_xvfb() {
  local n i fb_w=$SCREEN_W fb_h=$SCREEN_H m w h x y
  for m in ${MONITORS:-}; do
    IFS='x+' read -r w h x y <<<"$m"
    [ $((x + w)) -gt "$fb_w" ] && fb_w=$((x + w))
    [ $((y + h)) -gt "$fb_h" ] && fb_h=$((y + h))
  done
  for n in $(seq 91 160); do
    if [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; then continue; fi
    Xvfb ":$n" -screen 0 "${fb_w}x${fb_h}x24" -nolisten tcp -noreset >"$WORK/xvfb.log" 2>&1 &
    XVFB_PID=$!
    for i in $(seq 100); do
      if ! kill -0 "$XVFB_PID" 2>/dev/null; then break; fi
      if xdpyinfo -display ":$n" >/dev/null 2>&1; then
        export DISPLAY=":$n"
        if [ -n "${MONITORS:-}" ]; then
          local k=0 name output
          for m in $MONITORS; do
            IFS='x+' read -r w h x y <<<"$m"
            # The first monitor takes the virtual screen's own output, which ends the monitor that covered it.
            name="monitor$k" output=none
            [ "$k" = 0 ] && name="*$name" output=screen
            # Millimetres for 96 dots per inch.
            xrandr --setmonitor "$name" "$w/$((w * 254 / 960))x$h/$((h * 254 / 960))+$x+$y" "$output" ||
              die "cannot lay out monitor $m"
            k=$((k + 1))
          done
        fi
        return 0
      fi
      sleep 0.1
    done
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
  done
  die "no free display for Xvfb"
}

# A fresh event: the application folder copied, a new database, N demo participants with photos.
make_event() {
  local participants=$1
  APP=$WORK/app
  cp -a "$BUILD/app" "$APP"
  rm -rf "$APP/db"
  mkdir -p "$APP/zp"
  find "$APP/zp" -mindepth 1 -delete
  ASAN_OPTIONS=detect_leaks=0 "$BUILD/bin/eventdb" init "$APP" >"$WORK/eventdb.log" 2>&1 ||
    die "eventdb init failed: $(cat "$WORK/eventdb.log")"
  ASAN_OPTIONS=detect_leaks=0 "$BUILD/bin/eventdb" demo "$APP" "$participants" >>"$WORK/eventdb.log" 2>&1 ||
    die "eventdb demo failed: $(cat "$WORK/eventdb.log")"
  DB=$APP/db/db.mdb
  [ -f "$DB" ] || die "eventdb made no $DB"
}

# sql_on FILE STATEMENTS: rows with | between columns; fails on any error.
sql_on() {
  local out
  if ! out=$(printf ".timeout 5000\nPRAGMA key='%s';\nselect '-- rows --';\n%s\n" "$DB_KEY" "$2" |
    sqlcipher -batch -bail -noheader -separator '|' "$1" 2>&1); then
    printf 'sqlcipher: %s\n' "$out" >&2
    return 1
  fi
  # Newer versions answer the key statement with "ok": keep only what follows the marker.
  printf '%s\n' "$out" | sed '0,/^-- rows --$/d'
}
sql() { sql_on "$DB" "$1"; }

# start_app LOG [OPTIONS...]: the program, started in its own folder, stderr kept for the sanitizer check. Its own sanitizer options:
# SIGKILL and the X shutdown leak by nature, and strict string checks trip over the X keyboard library's
# bounded strndup on X replies, before the program's own code runs.
start_app() {
  APP_LOG=$1
  shift
  : >"$APP_LOG"
  (
    cd "$APP"
    exec env QT_QPA_PLATFORM=xcb \
      ASAN_OPTIONS="detect_leaks=0" \
      UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
      "$APP/luckydraw" --lang zh "$@"
  ) >"$APP_LOG" 2>&1 &
  APP_PID=$!
}

app_running() { [ -n "$APP_PID" ] && kill -0 "$APP_PID" 2>/dev/null; }

# wait_app_exit SECONDS: sets APP_STATUS; fails when the program is still running.
wait_app_exit() {
  local end=$(($(now_ms) + $1 * 1000))
  while app_running; do
    if [ "$(now_ms)" -ge "$end" ]; then return 1; fi
    sleep 0.1
  done
  APP_STATUS=0
  wait "$APP_PID" 2>/dev/null || APP_STATUS=$?
  APP_PID=""
  return 0
}

# Sanitizer reports in the program's output.
sanitizer_report() {
  grep -E -m 5 'ERROR: (Address|Leak|Memory|Thread)Sanitizer|runtime error:|SUMMARY: [A-Za-z]+Sanitizer' "$1"
}

# Visible top-level windows of the program, one "ID NAME" a line.
app_windows() {
  local id
  for id in $(xdotool search --all --onlyvisible --pid "$APP_PID" --name '.*' 2>/dev/null); do
    printf '%s %s\n' "$id" "$(xdotool getwindowname "$id" 2>/dev/null)"
  done
}

# wait_window REGEX SECONDS: prints the id of a visible program window whose title matches.
wait_window() {
  local end=$(($(now_ms) + $2 * 1000)) id
  while :; do
    id=$(xdotool search --all --onlyvisible --pid "$APP_PID" --name "$1" 2>/dev/null | head -1) || true
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    if [ "$(now_ms)" -ge "$end" ] || ! app_running; then return 1; fi
    sleep 0.1
  done
}

# wait_gone ID SECONDS: the window is no longer shown.
wait_gone() {
  local end=$(($(now_ms) + $2 * 1000))
  while window_visible "$1"; do
    if [ "$(now_ms)" -ge "$end" ]; then return 1; fi
    sleep 0.1
  done
}

window_visible() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }

# window_geometry ID: sets WX WY WW WH.
window_geometry() {
  local X Y WIDTH HEIGHT WINDOW SCREEN
  eval "$(xdotool getwindowgeometry --shell "$1")"
  WX=$X WY=$Y WW=$WIDTH WH=$HEIGHT
}

# Any window besides the draw, settings, fireworks and black-screen windows, the key list and the notice that
# the plan is complete is a message box nobody
# expected (an error the default handler reports): screenshot it and fail. Prints nothing when all is well.
unexpected_windows() {
  app_windows | grep -v -E '^[0-9]+ (VELTRAXForm|设置|烟花|黑屏|计划外提示|按键|抽奖舞台|抽奖控制台|奖项提示)( — .*)?$' || true
}
check_no_box() {
  local stage=$1 found
  found=$(unexpected_windows)
  if [ -z "$found" ]; then
    pass "no message box after $stage"
  else
    shot "unexpected-box-$stage"
    fail "unexpected window after $stage: $(printf '%s' "$found" | tr '\n' ';')"
  fi
}

shot() { import -window root "$ART/$1.png" 2>/dev/null || printf 'screenshot %s failed\n' "$1"; }

# pixel FILE X Y: the colour there as "R,G,B".
pixel() {
  convert "$1" -format '%[fx:int(255*p{'"$2"','"$3"'}.r)],%[fx:int(255*p{'"$2"','"$3"'}.g)],%[fx:int(255*p{'"$2"','"$3"'}.b)]' info:
}

# differing_pixels A B GEOMETRY: how many pixels of that region differ between two screenshots.
differing_pixels() {
  local a b
  a=$WORK/crop-a.png
  b=$WORK/crop-b.png
  convert "$1" -crop "$3" +repage "$a"
  convert "$2" -crop "$3" +repage "$b"
  # Large counts come in exponent form.
  compare -metric AE "$a" "$b" null: 2>&1 | awk '{ printf "%d\n", $1 + 0 }'
}

# lit_pixels FILE GEOMETRY: how many pixels of that region are not (nearly) black.
lit_pixels() {
  convert "$1" -crop "$2" +repage -colorspace gray -threshold 3% -format '%[fx:int(mean*w*h+0.5)]' info:
}

click_at() { xdotool mousemove "$1" "$2" click 1; }

# press KEY...: keys as a presentation clicker sends them, to whichever window has the keyboard.
press() { xdotool key --delay 60 "$@"; }
