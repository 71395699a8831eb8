#!/bin/bash
# Builds the JPEG decoder fuzzer with clang and runs it for the given number of seconds (default 60).
# Usage: tests/fuzz/run_jpeg_fuzz.sh [SECONDS] [WORK_DIR]
set -euo pipefail
seconds=${1:-60}
root=$(cd "$(dirname "$0")/../.." && pwd)
work=${2:-/tmp/luckydraw-jpeg-fuzz}
mkdir -p "$work/corpus" "$work/artifacts"

clang++ -std=c++20 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root/src" "$root/tests/fuzz/jpeg_fuzz.cpp" "$root/src/framework/jpeg.cpp" \
  $(pkg-config --cflags --libs Qt6Gui) -ljpeg -o "$work/jpeg_fuzz"

# An empty corpus is seeded by the fuzzer itself with small pictures of every kind it decodes.
seed_env=()
if [ -z "$(ls -A "$work/corpus")" ]; then seed_env=(LD_JPEG_FUZZ_SEEDS="$work/corpus"); fi

# libjpeg itself is not instrumented, so coverage only guides through our wrapper; the markers help the
# mutations reach the decoder's structure anyway.
cat >"$work/jpeg.dict" <<'DICT'
"\xFF\xD8"
"\xFF\xD9"
"\xFF\xC0"
"\xFF\xC1"
"\xFF\xC2"
"\xFF\xC9"
"\xFF\xC4"
"\xFF\xCC"
"\xFF\xDA"
"\xFF\xDB"
"\xFF\xDD"
"\xFF\xD0"
"\xFF\xE0"
"\xFF\xEE"
"JFIF\x00"
"Adobe"
DICT

env "${seed_env[@]}" QT_QPA_PLATFORM=offscreen "$work/jpeg_fuzz" "$work/corpus" -dict="$work/jpeg.dict" \
  -max_total_time="$seconds" -timeout=20 -rss_limit_mb=3072 -max_len=65536 -artifact_prefix="$work/artifacts/" -print_final_stats=1
