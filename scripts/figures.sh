#!/usr/bin/env bash
# Builds the benchmarks in Release, runs each once and prints the performance figures as a markdown table
# (progress goes to stderr, the table to stdout; full outputs stay in build-bench/figures/).
# Usage: scripts/figures.sh      (about 15 minutes on a 2-core machine, most of it making the events)
#        scripts/figures.sh --table-only   (the table again from the outputs of an earlier run)
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-bench
benches=(startup_bench draw_tick_bench rolling_bench settings_bench glow_label_bench gif_decode_bench import_bench
  sound_latency_bench)
out="$build/figures"
table_only=0
[ "${1:-}" = "--table-only" ] && table_only=1

if [ "$table_only" = 0 ]; then
  bash scripts/deps.sh test >&2  # Google Benchmark, giflib and PulseAudio come with the test packages
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUCKYDRAW_BENCH=ON >/dev/null
  cmake --build "$build" -j "$(nproc)" --target eventdb "${benches[@]}" >&2
fi

export QT_QPA_PLATFORM=offscreen
mkdir -p "$out"

# Each benchmark with the arguments its rows name; the output is kept for the table and for reading.
declare -A args=(
  [startup_bench]="--runs 10"
  [draw_tick_bench]=""
  [rolling_bench]=""
  [settings_bench]=""
  [glow_label_bench]=""
  [gif_decode_bench]="--benchmark_min_time=0.2"
  [import_bench]=""
  [sound_latency_bench]=""
)
if [ "$table_only" = 0 ]; then
  cut -d' ' -f1-3 /proc/loadavg >"$out/load-before.txt"
  for name in "${benches[@]}"; do
    echo "running $name ${args[$name]}" >&2
    # shellcheck disable=SC2086
    "$build/bench/$name" ${args[$name]} >"$out/$name.txt" 2>&1 || {
      echo "$name failed:" >&2
      tail -20 "$out/$name.txt" >&2
      exit 1
    }
  done
  cut -d' ' -f1-3 /proc/loadavg >"$out/load-after.txt"
fi
load_before=$(cat "$out/load-before.txt" 2>/dev/null || echo "?")
load_after=$(cat "$out/load-after.txt" 2>/dev/null || echo "?")
measured=$(date -u -r "$out/startup_bench.txt" +%Y-%m-%d 2>/dev/null || echo "?")

# num FILE REGEX: the number in the regex's one group on the first matching line of an output; "?" when none.
num() {
  local value
  value=$(sed 's/\x1b\[[0-9;]*m//g' "$out/$1" | sed -nE "s|.*$2.*|\\1|p" | head -1)
  echo "${value:-?}"
}
n='([0-9.+-]+)'
tick() {  # tick PARTICIPANTS COLUMN: a column of the draw tick summary table
  local value
  value=$(awk -v p="$1" -v c="$2" '$1 == p && NF == 4 { print $c; exit }' "$out/draw_tick_bench.txt")
  echo "${value:-?}"
}
cmd() { echo "\`QT_QPA_PLATFORM=offscreen $build/bench/$1${args[$1]:+ ${args[$1]}}\`"; }

start() { num startup_bench.txt "first painted draw window, $1 participants: median $n ms from launch"; }
start_main() { num startup_bench.txt "first painted draw window, $1 participants: .*, $n ms from main"; }
rss() { num startup_bench.txt "^peak memory, $1 participants: median $n MB after start-up"; }
rss_draw() { num startup_bench.txt "^peak memory, $1 participants: .* $n MB after 50 ticks"; }
rss_settings() { num startup_bench.txt "^peak memory, $1 participants: .* $n MB with one settings"; }
roll() { num rolling_bench.txt "^rolling, $1 participants, $2: $n % of a core"; }
other() { num draw_tick_bench.txt "^$1: median $n ms"; }
settings() { num settings_bench.txt "^$1 participants: $2"; }
first_open() { settings "$1" "first open to first paint, roster filled: $n ms"; }
first_open_mb() { settings "$1" "first open to first paint, roster filled: .* ms, $n MB more"; }
later_open() { settings "$1" "later opens to first paint, roster filled: median $n ms"; }
later_open_mb() { settings "$1" "later opens .* memory $n MB more"; }
cycles() { settings "$1" "20 open/close cycles .*\\($n MB;"; }
cycles_from_start() { settings "$1" "20 open/close cycles .*; $n MB from before the first open"; }
cue() {  # cue WHAT: first, median and worst latency of one sound
  local what="$1"
  echo "$(num sound_latency_bench.txt "^$what: .*median $n ms") ms (first draw after start-up $(num sound_latency_bench.txt "^$what: first $n ms") ms, worst $(num sound_latency_bench.txt "^$what: .*worst $n ms") ms)"
}
big=100000

table=$(
  cat <<TABLE
| Figure | Measured | Target | Command |
|---|---|---|---|
| Start-up to the first painted draw window, 10,000 participants (median of 10 launches) | $(start 10000) ms from launch ($(start_main 10000) ms of it from \`main\`) | ≤ 500 ms | $(cmd startup_bench) |
| Start-up to the first painted draw window, 100,000 participants (median of 10 launches) | $(start $big) ms from launch ($(start_main $big) ms of it from \`main\`) | ≤ 200 ms | $(cmd startup_bench) |
| Peak memory (ru_maxrss), 10,000 participants | $(rss 10000) MB after start-up, $(rss_draw 10000) MB after 50 ticks and 10 stops, $(rss_settings 10000) MB with a settings window open | — | $(cmd startup_bench) |
| Peak memory (ru_maxrss), 100,000 participants | $(rss $big) MB after start-up, $(rss_draw $big) MB after 50 ticks and 10 stops, $(rss_settings $big) MB with a settings window open | ≤ 120 MB with a settings window | $(cmd startup_bench) |
| Draw tick (statement + 8 photos into the tiles), 1,000 participants (median) | $(tick 1000 2) ms; ratio $(tick 1000 4) to 8 full-size decodes | ≤ 1.5 ms, ≤ 0.2 | $(cmd draw_tick_bench) |
| Draw tick, 10,000 participants (median) | $(tick 10000 2) ms; ratio $(tick 10000 4) to 8 full-size decodes | ≤ 1.5 ms, ≤ 0.2 | $(cmd draw_tick_bench) |
| Draw tick, 100,000 participants (median) | $(tick $big 2) ms; ratio $(tick $big 4) to 8 full-size decodes | ≤ 1.5 ms, ≤ 0.2 | $(cmd draw_tick_bench) |
| Draw tick, 10,000 participants each with a photo of their own (median) | $(other "own photos tick 10000") ms | — | $(cmd draw_tick_bench) |
| Draw tick with 6000 × 4000 camera photos (16 MB files) in zp/, once shown (median) | $(other "camera photos tick") ms | no more than at 1,000 | $(cmd draw_tick_bench) |
| Stop to the winner's photo shown, each winner a 6000 × 4000 camera photo (16 MB) of their own (median) | $(other "camera photos stop") ms | ≤ 100 ms | $(cmd draw_tick_bench) |
| Stop to the winner's photo shown, 100,000 participants (median) | $(other "stop $big") ms | — | $(cmd draw_tick_bench) |
| Rolling for 10 s on the window's own timer, painting included: share of one core | $(roll 1000 "480 x 360 photos") % at 1,000, $(roll 10000 "480 x 360 photos") % at 10,000, $(roll $big "480 x 360 photos") % at 100,000 participants; $(roll 1000 "6000 x 4000 camera photos") % with camera photos | ≤ 5 % | $(cmd rolling_bench) |
| Settings window opened to its first paint with the roster filled, 10,000 participants | $(first_open 10000) ms and $(first_open_mb 10000) MB the first time; $(later_open 10000) ms and $(later_open_mb 10000) MB later (medians) | — | $(cmd settings_bench) |
| Settings window opened to its first paint with the roster filled, 100,000 participants | $(first_open $big) ms and $(first_open_mb $big) MB the first time; $(later_open $big) ms and $(later_open_mb $big) MB later (medians) | ≤ 150 ms, ≤ 30 MB | $(cmd settings_bench) |
| Roster scrolled a page and painted, 100,000 participants | $(settings $big "scroll a page and paint: median $n ms") ms median, $(settings $big "scroll a page and paint: .*slowest $n ms") ms slowest; $(settings $big "scroll a page .* to the end $n ms") ms to the end | smooth | $(cmd settings_bench) |
| Roster refresh (grid and departments, painted), 100,000 participants (median) | $(settings $big "refresh of the roster and departments, painted: median $n ms") ms | ≤ 300 ms | $(cmd settings_bench) |
| "清空中奖纪录" with its refresh, 100,000 participants | $(settings $big "清空中奖纪录, painted: $n ms") ms | ≤ 300 ms | $(cmd settings_bench) |
| "清空员工列表" with its refresh, deleting 100,000 photo files | $(settings $big "清空员工列表 \\(deleting every photo file too\\), painted: $n ms") ms | — | $(cmd settings_bench) |
| Resident memory after 20 settings window open/close cycles | $(cycles 10000) MB at 10,000 ($(cycles_from_start 10000) MB from before the first open), $(cycles $big) MB at 100,000 ($(cycles_from_start $big) MB) | within 10 MB | $(cmd settings_bench) |
| Winners board glow paint, 201 × 398 (median) | $(num glow_label_bench.txt "^winners board glow paint: median $n ms") ms | ≤ 3 ms | $(cmd glow_label_bench) |
| GIF decode, ours / giflib | $(num gif_decode_bench.txt "geometric mean of the ratios: $n") (geometric mean over the pictures), $(num gif_decode_bench.txt "whole set \(sum of times\): *$n") (sum of times) | ≤ 1.00 | $(cmd gif_decode_bench) |
| Photo import of a 6000 × 4000 JPEG (median) | $(num import_bench.txt "^import median $n ms") ms; ratio $(num import_bench.txt "^import median .*ratio $n") to the same conversion with a full-size decode | ≤ 400 ms | $(cmd import_bench) |
| Drum roll heard after the press that starts the roll (median of 6 draws) | $(cue "roll start to the drum roll") | ≤ 50 ms | $(cmd sound_latency_bench) |
| Stop sound heard after the winner is shown (median of 6 draws) | $(cue "winner shown to the stop sound") | ≤ 50 ms | $(cmd sound_latency_bench) |
| Fanfare heard after the fireworks are shown (median of 6) | $(cue "fireworks shown to the fanfare") | ≤ 50 ms | $(cmd sound_latency_bench) |

Measured $measured on $(nproc) cores with a Release build; load average $load_before before the run,
$load_after after it (the machine is shared, so the figures carry that noise).
TABLE
)
echo "$table"
# A "?" is a figure the table expected and an output did not give.
if grep '^|' <<<"$table" | grep -q '?'; then
  echo "a figure is missing from the outputs in $out/" >&2
  exit 1
fi
