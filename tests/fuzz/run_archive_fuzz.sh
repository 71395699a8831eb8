#!/bin/bash
# Builds the event archive fuzzer with clang and runs it for the given number of seconds (default 60).
# Usage: tests/fuzz/run_archive_fuzz.sh [SECONDS] [WORK_DIR]
# Crash, leak and timeout inputs land in WORK_DIR/artifacts/; keep each as a case of the pack tests in
# tests/transfer/export_pack_test.cpp.
set -euo pipefail
seconds=${1:-60}
root=$(cd "$(dirname "$0")/../.." && pwd)
work=${2:-/tmp/luckydraw-archive-fuzz}
mkdir -p "$work/corpus" "$work/artifacts" "$work/gen" "$work/tmp"

moc=$(pkg-config --variable=libexecdir Qt6Core 2>/dev/null || true)/moc
[ -x "$moc" ] || moc=/usr/lib/qt6/libexec/moc
"$moc" -I"$root/src" "$root/src/data/datamodule.h" -o "$work/gen/moc_datamodule.cpp"

# shellcheck disable=SC2046
clang++ -std=c++20 -g -O1 -fPIC -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined \
  -fno-sanitize-recover=undefined -DSQLITE_HAS_CODEC -I"$root/src" \
  "$root/tests/fuzz/archive_fuzz.cpp" "$root/src/transfer/event_pack.cpp" "$root"/src/data/*.cpp \
  "$work/gen/moc_datamodule.cpp" "$root/src/settings/photo_file.cpp" "$root/src/settings/theme_picture.cpp" \
  "$root/src/settings/photo_import.cpp" "$root/src/framework/jpeg.cpp" \
  "$root/src/framework/app_folder.cpp" "$root/src/framework/application.cpp" "$root/src/framework/dialogs.cpp" \
  "$root/src/framework/event_lock.cpp" \
  "$root/src/framework/file_safety.cpp" "$root/src/framework/scratch_files.cpp" \
  $(pkg-config --cflags --libs Qt6Widgets sqlcipher libzip) -ljpeg -o "$work/archive_fuzz"

# An empty corpus is seeded by the fuzzer itself: a whole event, one with a trigger that rigs the draw,
# one with a view, one with a photo the roster does not name, one with a path leaving the folder, one with
# sharper copies (zpgq/), named and not.
seed_env=()
if [ -z "$(ls -A "$work/corpus")" ]; then seed_env=(LD_ARCHIVE_FUZZ_SEEDS="$work/corpus"); fi

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
env "${seed_env[@]}" QT_QPA_PLATFORM=offscreen TMPDIR="$work/tmp" "$work/archive_fuzz" "$work/corpus" \
  -max_total_time="$seconds" -timeout=60 -rss_limit_mb=3072 -max_len=262144 \
  -artifact_prefix="$work/artifacts/" -print_final_stats=1
