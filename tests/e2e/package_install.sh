#!/usr/bin/env bash
# The Debian package as an organiser meets it: lintian finds no error in it, apt-get installs it, the installed
# program started as the menu starts it (no argument, a user who never ran it) offers a new event, makes it
# with the demo roster when told yes twice, and draws once with real X input; the record is read back with
# the sqlcipher shell. A second start, on an English desktop, opens the same event without asking and speaks
# English (its settings window is "Settings"). apt-get then removes the package,
# and nothing of it is left in /usr while the event folder keeps its data. Nothing may be written into /usr
# by the program.
#
# Installs into this machine's /usr (CI runs as root on a throwaway machine): refuses to run when luckydraw is
# already installed, and removes the package again whatever happens.
#
# Usage: tests/e2e/package_install.sh DEB ARTIFACT_DIR
set -uo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 DEB ARTIFACT_DIR" >&2
  exit 2
fi
DEB=$(realpath "$1") || exit 2
ART=$2
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"

STARTED=$(now_ms)
NAME=package_install
SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo -n"; fi
INSTALLED=""

package_cleanup() {
  e2e_cleanup
  if [ -n "$INSTALLED" ]; then
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get remove -y -qq luckydraw >/dev/null 2>&1 || true
  fi
}
trap package_cleanup EXIT

[ -f "$DEB" ] || die "no package at $DEB"
for tool in Xvfb xdotool xdpyinfo xprop import sqlcipher lintian dpkg-deb appstreamcli readelf man; do
  command -v "$tool" >/dev/null || die "$tool is not installed"
done
if dpkg-query -W -f='${Status}' luckydraw 2>/dev/null | grep -q 'ok installed'; then
  die "luckydraw is installed already: this test installs and removes it, so it leaves such a machine alone"
fi
mkdir -p "$ART"
ART=$(cd "$ART" && pwd)
rm -f "$ART"/pkg-*.png "$ART"/unexpected-box-*.png
WORK=$(mktemp -d /tmp/luckydraw-pkg.XXXXXX)

# ---- the package itself ---------------------------------------------------------------------------------
lintian --tag-display-limit 0 "$DEB" >"$ART/lintian.txt" 2>&1
errors=$(grep -c '^E:' "$ART/lintian.txt")
check_eq "lintian: no errors ($(grep -c '^W:' "$ART/lintian.txt") warnings; $ART/lintian.txt)" 0 "$errors"
grep '^E:' "$ART/lintian.txt" | sed 's/^/  /'
check_eq "lintian: no manual page warnings" "" "$(grep -E '^[EW]: .*(manual-page|manpage)' "$ART/lintian.txt")"
check_eq "lintian: no hardening warnings" "" "$(grep -E '^[EW]: .*hardening' "$ART/lintian.txt")"
depends=$(dpkg-deb -f "$DEB" Depends)
for lib in libqt6widgets6 libsqlcipher0 libjpeg62-turbo qt6-qpa-plugins; do
  check "the package depends on $lib" grep -q "$lib" <<<"$depends"
done

# ---- install -----------------------------------------------------------------------------------------------
log "installing $(basename "$DEB")"
INSTALLED=1
if ! DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "$DEB" >"$WORK/apt-install.log" 2>&1; then
  cat "$WORK/apt-install.log"
  die "apt-get install failed"
fi
check_eq "installed" "install ok installed" "$(dpkg-query -W -f='${Status}' luckydraw)"
dpkg -L luckydraw >"$WORK/files.txt"
expected=(/usr/bin/luckydraw /usr/bin/eventdb /usr/share/applications/luckydraw.desktop
  /usr/share/luckydraw/system/logo.jpg /usr/share/doc/luckydraw/copyright)
for n in $(seq 0 14); do expected+=("/usr/share/luckydraw/system/$n.gif"); done
for s in 16 32 48 64 128 256; do expected+=("/usr/share/icons/hicolor/${s}x$s/apps/luckydraw.png"); done
missing=""
for f in "${expected[@]}"; do [ -f "$f" ] || missing+=" $f"; done
check_eq "every file in place (program, tool, pictures, menu entry, ${#expected[@]} in all)" "" "$missing"
for s in 16 48 256; do
  check_eq "icon ${s}x$s has that size" "${s}x$s" \
    "$(identify -format '%wx%h' "/usr/share/icons/hicolor/${s}x$s/apps/luckydraw.png" 2>/dev/null)"
done
desktop=/usr/share/applications/luckydraw.desktop
for key in Name Comment Exec Icon Categories StartupWMClass StartupNotify; do
  check "menu entry has $key" grep -q "^$key=" "$desktop"
done
if command -v desktop-file-validate >/dev/null; then
  check "desktop-file-validate accepts the menu entry" desktop-file-validate "$desktop"
fi
check_eq "the menu entry announces its start" "StartupNotify=true" "$(grep '^StartupNotify=' "$desktop")"

# ---- manual pages, software centre entry, hardening, answers without a display ------------------------------
for program in luckydraw eventdb; do
  page=/usr/share/man/man1/$program.1.gz
  check_eq "man finds the manual page of $program" "$page" "$(man -w "$program" 2>/dev/null)"
  check "the manual page of $program is compressed" gzip -t "$page"
  check_eq "the manual page of $program formats without warnings" "" \
    "$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)"
  check "the manual page of $program names it" grep -q "^$program \\\\- " <(zcat "$page")
done
metainfo=$(dpkg -L luckydraw | grep '^/usr/share/metainfo/.*\.metainfo\.xml$')
check "a software centre entry in /usr/share/metainfo" test -n "$metainfo"
if [ -n "$metainfo" ]; then
  appstreamcli validate --no-net "$metainfo" >"$WORK/appstream.txt" 2>&1
  validated=$?
  check_eq "appstreamcli validate --no-net accepts $(basename "$metainfo") ($(tr '\n' ' ' <"$WORK/appstream.txt"))" \
    0 "$validated"
  check "the software centre entry launches the menu entry" \
    grep -q '<launchable type="desktop-id">luckydraw.desktop</launchable>' "$metainfo"
fi
for binary in /usr/bin/luckydraw /usr/bin/eventdb; do
  check "$binary binds every symbol at start (BIND_NOW)" grep -qE '\((FLAGS|FLAGS_1)\).*\b(BIND_NOW|NOW)\b' \
    <(readelf -d "$binary")
  check "$binary has read-only relocations (RELRO)" grep -q GNU_RELRO <(readelf -lW "$binary")
  check "$binary is position independent" grep -q 'Type: *DYN' <(readelf -h "$binary")
  check "$binary is built with the stack protector" grep -q '__stack_chk_fail' <(readelf --dyn-syms -W "$binary")
  check "$binary calls fortified functions" grep -qE '__[a-z_]+_chk(@|$| )' <(readelf --dyn-syms -W "$binary")
done
# As a terminal without a display sees them: answers on standard output, status 0.
for call in "luckydraw --version" "luckydraw --help" "eventdb --version" "eventdb --help"; do
  # shellcheck disable=SC2086 # the call is split into program and option on purpose
  out=$(cd / && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_SESSION_TYPE $call 2>"$WORK/stderr.txt")
  status=$?
  check_eq "$call without a display: status 0 ($(head -c 200 "$WORK/stderr.txt"))" 0 "$status"
  case $call in
    *--version) check_eq "$call prints the version" "${call%% *} $(dpkg-deb -f "$DEB" Version)" "$out" ;;
    luckydraw*) check "$call lists the options" grep -q -- '--screen' <<<"$out" ;;
    eventdb*) check "$call lists the commands" grep -q 'eventdb import' <<<"$out" ;;
  esac
done

EXEC=$(sed -n 's/^Exec=//p' "$desktop" | sed 's/ %[fFuU]//')
WMCLASS=$(sed -n 's/^StartupWMClass=//p' "$desktop")

# ---- the installed program, as the menu starts it, for a user who never ran it ----------------------------
# A private home: the settings and the new event live there, never beside the program.
export HOME=$WORK/home
mkdir -p "$HOME"
unset XDG_CONFIG_HOME XDG_DATA_HOME
touch "$WORK/before-run"
sleep 1  # file times in whole seconds on some file systems: anything the program writes is newer
start_xvfb
log "display $DISPLAY, home $HOME, starting $EXEC"

# start_installed LOG LOCALE: the program as the menu starts it, on a desktop of that locale.
start_installed() {
  APP_LOG=$1
  (cd "$HOME" && exec env QT_QPA_PLATFORM=xcb LANG="$2" LC_ALL="$2" LANGUAGE= "$EXEC") >"$APP_LOG" 2>&1 &
  APP_PID=$!
}

# answer_yes STAGE: the question box shown now is answered with its Yes button's key.
answer_yes() {
  local box
  box=$(wait_window '^提示' 30) || die "no question $1 ($(tail -3 "$ART/luckydraw-package.log"))"
  pass "question $1"
  sleep 0.5
  shot "pkg-$2"
  xdotool windowfocus "$box" 2>/dev/null || true
  sleep 0.2
  xdotool key y
  wait_gone "$box" 10 || die "the question $1 did not go away on Yes"
}

start_installed "$ART/luckydraw-package.log" C.UTF-8
answer_yes "whether to make a new event" 01-new-event
answer_yes "whether to add the demo roster" 02-demo-roster
DRAW=$(wait_window '^VELTRAXForm' 120) || die "the draw window did not appear ($(tail -5 "$ART/luckydraw-package.log"))"
sleep 1
check_no_box "start on the new event"
EVENT=$(find "$HOME/.local/share" -path '*/db/db.mdb' -printf '%h\n' 2>/dev/null | head -1)
EVENT=${EVENT%/db}
[ -n "$EVENT" ] || die "no event database under $HOME/.local/share"
DB=$EVENT/db/db.mdb
log "new event $EVENT"
check_eq "the new event holds the demo roster with photos" "24|24" \
  "$(sql "select count(*), sum(zp<>'') from yglb;")"
check_eq "every photo the roster names is in the event's zp/" 24 "$(find "$EVENT/zp" -name '*.jpg' | wc -l)"
check_eq "window class as the menu entry names it" "WM_CLASS(STRING) = \"$WMCLASS\", \"$WMCLASS\"" \
  "$(xprop -id "$DRAW" WM_CLASS)"

window_geometry "$DRAW"
DX=$WX DY=$WY
ICON_X=$((DX + 809 + 29)) ICON_Y=$((DY + 209 + 30))
POWER_X=$((DX + 904 + 44)) POWER_Y=$((DY + 196 + 44))
FRAME_X=$((DX + 176 + 12 + 2)) FRAME_Y=$((DY + 40 + 33 + 156))
shot pkg-03-start
# The tiles show the installed placeholder photo (a missing one raises an error box, checked above).
check "the event has no system/ folder of its own" test ! -e "$EVENT/system"

click_at "$ICON_X" "$ICON_Y"
sleep 1
click_at "$ICON_X" "$ICON_Y"
end=$(($(now_ms) + 10000))
while [ "$(sql "select count(*) from yglb where zj<>0;")" -lt 1 ] && [ "$(now_ms)" -lt "$end" ]; do sleep 0.1; done
check_eq "one winner recorded: draw order 1, lucky prize" "1|4" "$(sql "select zjsx, zj from yglb where zj<>0;")"
check_eq "the journal holds the draw" "1|4" "$(sql "select zjsx, zj from cjrz where lx='drawn';")"
sleep 1
shot pkg-04-result
check_eq "the winner's photo is shown" "255,255,0" "$(pixel "$ART/pkg-04-result.png" "$FRAME_X" "$FRAME_Y")"
check_no_box "the draw"

# Switched off from the power key as an operator does.
hold_power
answer_switch_off "$DX" "$DY"

# ---- a second start opens the last event without asking --------------------------------------------------------
start_installed "$ART/luckydraw-package-2.log" en_US.UTF-8
if DRAW=$(wait_window '^VELTRAXForm' 60); then
  pass "second start: the draw window, no question"
  check_no_box "the second start"
  sleep 1
  window_geometry "$DRAW"
  import -window root -crop "${WW}x$WH+$WX+$WY" +repage "$ART/pkg-05-english.png"
  xdotool mousemove $((WX + 904 + 44)) $((WY + 196 + 44)) click --repeat 2 --delay 80 1
  if settings=$(wait_window '^Settings' 30); then
    pass "an English desktop gets the English program: its settings window is \"Settings\""
    shot pkg-06-english-settings
  else
    shot pkg-06-english-settings
    fail "no English settings window on an English desktop ($(app_windows | tr '\n' ';'))"
  fi
else
  shot pkg-05-second-start
  fail "second start: no draw window ($(app_windows | tr '\n' ';'))"
fi
check_eq "the last event is remembered in the user's settings" "$EVENT/" \
  "$(sed -n 's/^lastEvent=//p' "$HOME/.config/luckydraw/luckydraw.conf")"
kill "$APP_PID" 2>/dev/null
wait_app_exit 10 || kill -KILL "$APP_PID" 2>/dev/null

written=$(find /usr -newer "$WORK/before-run" -print 2>/dev/null | head -5)
check_eq "the program wrote nothing into /usr" "" "$written"

# ---- remove -----------------------------------------------------------------------------------------------------
if DEBIAN_FRONTEND=noninteractive $SUDO apt-get remove -y -qq luckydraw >"$WORK/apt-remove.log" 2>&1; then
  INSTALLED=""
  pass "apt-get remove"
else
  cat "$WORK/apt-remove.log"
  fail "apt-get remove failed"
fi
check_eq "no longer installed" "" "$(dpkg-query -W -f='${Status}' luckydraw 2>/dev/null | grep 'ok installed')"
left=""
while read -r f; do
  if [ -e "$f" ] && [ ! -d "$f" ]; then left+=" $f"; fi
done <"$WORK/files.txt"
check_eq "every file of the package is gone" "" "$left"
check_eq "nothing named after the program is left in /usr" "" \
  "$(find /usr \( -name '*luckydraw*' -o -path /usr/bin/eventdb \) -print 2>/dev/null | head -5)"
check_eq "the event keeps its data after the removal" "1" "$(sql "select count(*) from yglb where zj<>0;")"

report=$(sanitizer_report "$ART/luckydraw-package.log")
[ -z "$report" ] || fail "sanitizer report: $report"
grep -v -e '^QStandardPaths: XDG_RUNTIME_DIR' "$ART/luckydraw-package.log" | sed 's/^/  program: /' | head -20

finish "screenshots in $ART"
