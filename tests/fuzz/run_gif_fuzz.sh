#!/usr/bin/env bash
# Builds the GIF fuzz harness with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) against Qt 6
# and runs it for the given number of seconds.
# Usage: tests/fuzz/run_gif_fuzz.sh [seconds=60] [work folder=build-fuzz] [extra libFuzzer options...]
# Crash, leak and timeout inputs land in <work>/artifacts/; keep them as regression cases in
# tests/data/gif/ (tests/widgets/gif_fuzz_regression_test.cpp loads every file there).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
seconds="${1:-60}"
work="${2:-$root/build-fuzz}"
shift $(( $# > 2 ? 2 : $# )) || true
mkdir -p "$work/corpus" "$work/seeds" "$work/artifacts"

CXX="${CXX_FUZZ:-clang++}"
# shellcheck disable=SC2046
"$CXX" -std=c++20 -g -O1 -fPIC -fno-omit-frame-pointer \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root/src" -I"$root/tests" $(pkg-config --cflags Qt6Gui Qt6Widgets) \
  "$here/gif_fuzz.cpp" "$root"/src/widgets/{gif_image,gif_lzw,gif_draw,gif_quantize,gif_writer}.cpp \
  -o "$work/gif_fuzz" $(pkg-config --libs Qt6Gui Qt6Widgets)

# Seeds: the kept inputs (already in the harness's format: a mode byte, then the data), and the kept pictures of
# other encoders and a few pictures from ImageMagick when it is installed, given a mode byte in front (0: load
# corrupted on, plain file; 4: also re-encode).
seed() { { printf "\\x$(printf %02x "$2")"; cat "$1"; } > "$work/seeds/$(basename "$1").m$2"; }
for f in "$root"/tests/data/gif/*; do [ -f "$f" ] && cp "$f" "$work/seeds/"; done
for f in "$root"/tests/data/gif/encoders/*.gif; do [ -f "$f" ] && seed "$f" 0; done
if command -v convert >/dev/null 2>&1; then
  tmp="$(mktemp -d)"
  convert -seed 3 -size 23x17 plasma:fractal -colors 16 "$tmp/a.gif" 2>/dev/null || true
  convert -seed 4 -size 31x9 plasma:fractal -colors 200 -interlace GIF "$tmp/b.gif" 2>/dev/null || true
  convert -size 8x8 xc:black -fill white -draw "point 3,3" -colors 2 "$tmp/c.gif" 2>/dev/null || true
  convert -delay 20 -size 12x12 xc:red xc:blue -loop 3 "$tmp/d.gif" 2>/dev/null || true
  convert -size 10x10 xc:none -fill green -draw "rectangle 2,2 6,6" "$tmp/e.gif" 2>/dev/null || true
  for f in "$tmp"/*.gif; do [ -f "$f" ] && seed "$f" 0 && seed "$f" 4; done
  rm -rf "$tmp"
fi

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export QT_QPA_PLATFORM=offscreen
exec "$work/gif_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 -max_len=65536 \
  -dict="$here/gif.dict" -artifact_prefix="$work/artifacts/" -print_final_stats=1 "$@" \
  "$work/corpus" "$work/seeds"
