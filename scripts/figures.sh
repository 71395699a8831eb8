#!/usr/bin/env bash
# Builds the benchmarks in Release, runs each once and prints the performance figures as a markdown table
# (progress goes to stderr, the table to stdout; full outputs stay in build-bench/figures/).
# Usage: scripts/figures.sh      (about 5 to 10 minutes on a 2-core machine)
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh test >&2  # Google Benchmark and giflib come with the test packages

build=build-bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUCKYDRAW_BENCH=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target eventdb startup_bench draw_tick_bench glow_label_bench \
  gif_decode_bench import_bench >&2

export QT_QPA_PLATFORM=offscreen
out="$build/figures"
mkdir -p "$out"
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

# Each benchmark with the arguments its row names; the output is kept for the table and for reading.
declare -A args=(
  [startup_bench]="--runs 10"
  [draw_tick_bench]=""
  [glow_label_bench]=""
  [gif_decode_bench]="--benchmark_min_time=0.2"
  [import_bench]=""
)
for name in startup_bench draw_tick_bench glow_label_bench gif_decode_bench import_bench; do
  echo "running $name ${args[$name]}" >&2
  # shellcheck disable=SC2086
  "$build/bench/$name" ${args[$name]} >"$out/$name.txt" 2>&1 || {
    echo "$name failed:" >&2
    tail -20 "$out/$name.txt" >&2
    exit 1
  }
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

field() {  # field FILE PATTERN N: the Nth whitespace-separated word of the first line matching PATTERN
  sed 's/\x1b\[[0-9;]*m//g' "$out/$1" | awk -v n="$3" "/$2/ { print \$n; exit }"
}
tick() {  # tick PARTICIPANTS COLUMN: a column of the draw tick summary table
  awk -v p="$1" -v c="$2" '$1 == p && NF == 4 { print $c; exit }' "$out/draw_tick_bench.txt"
}
cmd() { echo "\`QT_QPA_PLATFORM=offscreen $build/bench/$1${args[$1]:+ ${args[$1]}}\`"; }

startup=$(field startup_bench.txt "^start-up to first painted" 10)
startup_main=$(field startup_bench.txt "^start-up to first painted" 18)
rss_start=$(field startup_bench.txt "^peak memory" 6)
rss_peak=$(field startup_bench.txt "^peak memory" 10)
glow=$(field glow_label_bench.txt "^winners board glow paint" 6)
gif_mean=$(field gif_decode_bench.txt "geometric mean of the ratios" 6)
gif_sum=$(field gif_decode_bench.txt "whole set" 6)
import=$(field import_bench.txt "^import median" 3)
import_ratio=$(field import_bench.txt "^import median" 15)
for value in "$startup" "$startup_main" "$rss_start" "$rss_peak" "$glow" "$gif_mean" "$gif_sum" "$import" \
  "$import_ratio" "$(tick 10000 2)" "$(tick 100000 2)"; do
  [ -n "$value" ] || { echo "a figure is missing from the outputs in $out/" >&2; exit 1; }
done

cat <<TABLE
| Figure | Measured | Target | Command |
|---|---|---|---|
| Start-up to the first painted draw window, 10,000 participants (median of 10 launches) | ${startup} ms from launch (${startup_main} ms of it from \`main\`) | ≤ 500 ms | $(cmd startup_bench) |
| Peak memory (ru_maxrss), 10,000 participants | ${rss_start} MB after start-up, ${rss_peak} MB after 50 ticks and 10 stops | — | $(cmd startup_bench) |
| Draw tick (query + 8 photo loads), 1,000 participants (median) | $(tick 1000 2) ms; ratio $(tick 1000 4) to 8 full-size decodes | — | $(cmd draw_tick_bench) |
| Draw tick, 10,000 participants (median) | $(tick 10000 2) ms; ratio $(tick 10000 4) to 8 full-size decodes | ≤ 5 ms | $(cmd draw_tick_bench) |
| Draw tick, 100,000 participants (median) | $(tick 100000 2) ms; ratio $(tick 100000 4) to 8 full-size decodes | ≤ 25 ms | $(cmd draw_tick_bench) |
| Winners board glow paint, 201 × 398 (median) | ${glow} ms | ≤ 3 ms | $(cmd glow_label_bench) |
| GIF decode, ours / giflib | ${gif_mean} (geometric mean over the pictures), ${gif_sum} (sum of times) | ≤ 1.00 | $(cmd gif_decode_bench) |
| Photo import of a 6000 × 4000 JPEG (median) | ${import} ms; ratio ${import_ratio} to the same conversion with a full-size decode | ≤ 400 ms | $(cmd import_bench) |

Measured $(date -u +%Y-%m-%d) on $(nproc) cores with a Release build; load average $load_before before the run,
$load_after after it (the machine is shared, so the figures carry that noise).
TABLE
