#!/bin/bash
# Builds the spreadsheet and CSV reader fuzzer with clang and runs it for the given number of seconds
# (default 60).
# Usage: tests/fuzz/run_sheet_fuzz.sh [SECONDS] [WORK_DIR]
# Crash, leak, timeout and out-of-memory inputs land in WORK_DIR/artifacts/; keep each as a case in
# tests/transfer/table_file_test.cpp.
set -euo pipefail
seconds=${1:-60}
root=$(cd "$(dirname "$0")/../.." && pwd)
work=${2:-/tmp/luckydraw-sheet-fuzz}
mkdir -p "$work/corpus" "$work/artifacts"

# shellcheck disable=SC2046
clang++ -std=c++20 -g -O1 -fPIC -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined \
  -fno-sanitize-recover=undefined -I"$root/src" \
  "$root/tests/fuzz/sheet_fuzz.cpp" "$root/src/transfer/table_file.cpp" "$root/src/transfer/text_table.cpp" \
  "$root/src/transfer/xlsx_table.cpp" "$root/src/framework/file_safety.cpp" \
  "$root/src/framework/scratch_files.cpp" \
  $(pkg-config --cflags --libs Qt6Core libzip xlsxwriter) -o "$work/sheet_fuzz"

# An empty corpus is seeded by the fuzzer itself with small tables of every kind and the crafted ones.
seed_env=()
if [ -z "$(ls -A "$work/corpus")" ]; then seed_env=(LD_SHEET_FUZZ_SEEDS="$work/corpus"); fi

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
# The reader's limits keep any file to a few hundred megabytes; more is a finding.
env "${seed_env[@]}" "$work/sheet_fuzz" "$work/corpus" \
  -max_total_time="$seconds" -timeout=30 -rss_limit_mb=1024 -max_len=65536 \
  -artifact_prefix="$work/artifacts/" -print_final_stats=1
