#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds the program, prepares the application folder and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh run

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)"

app=build/app
if [ ! -e "$app/db/db.mdb" ]; then
  echo "No event database yet: creating $app/db/db.mdb with a small demo roster." >&2
  build/bin/eventdb init "$app"
  build/bin/eventdb demo "$app" 24
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  cat >&2 <<'MSG'
The lucky draw needs a graphical display, and none is set (DISPLAY is empty).
Start it from a desktop session, or use a virtual display:
  Xvfb :99 -screen 0 1280x1024x24 &
  DISPLAY=:99 scripts/run.sh
MSG
  exit 1
fi
exec "$app/luckydraw"
