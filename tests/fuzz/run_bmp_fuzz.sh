#!/bin/bash
# Builds the bitmap import fuzzer with clang and runs it for the given number of seconds (default 60).
# Usage: tests/fuzz/run_bmp_fuzz.sh [SECONDS] [WORK_DIR]
# Crash, leak and timeout inputs land in WORK_DIR/artifacts/; keep each as an import case in
# tests/proof/bad_input_test.cpp.
set -euo pipefail
seconds=${1:-60}
root=$(cd "$(dirname "$0")/../.." && pwd)
work=${2:-/tmp/luckydraw-bmp-fuzz}
mkdir -p "$work/corpus" "$work/artifacts" "$work/gen"

# shellcheck disable=SC2046
clang++ -std=c++20 -g -O1 -fPIC -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined \
  -fno-sanitize-recover=undefined -I"$root/src" \
  "$root/tests/fuzz/bmp_fuzz.cpp" "$root/src/settings/photo_import.cpp" "$root/src/settings/photo_file.cpp" \
  "$root/src/framework/jpeg.cpp" "$root/src/framework/app_folder.cpp" "$root/src/framework/dialogs.cpp" \
  "$root/src/framework/application.cpp" "$root/src/framework/file_safety.cpp" "$root/src/framework/scratch_files.cpp" \
  $(pkg-config --cflags --libs Qt6Widgets) -ljpeg -o "$work/bmp_fuzz"

# An empty corpus is seeded by the fuzzer itself with small bitmaps of every kind.
seed_env=()
if [ -z "$(ls -A "$work/corpus")" ]; then seed_env=(LD_BMP_FUZZ_SEEDS="$work/corpus"); fi

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
env "${seed_env[@]}" QT_QPA_PLATFORM=offscreen TMPDIR="$work" "$work/bmp_fuzz" "$work/corpus" \
  -max_total_time="$seconds" -timeout=60 -rss_limit_mb=3072 -max_len=65536 \
  -artifact_prefix="$work/artifacts/" -print_final_stats=1
