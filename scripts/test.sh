#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds with AddressSanitizer and UndefinedBehaviorSanitizer, runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh test
bash scripts/check_format.sh

build=build-test
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLUCKYDRAW_SANITIZE=ON -DBUILD_TESTING=ON -DLUCKYDRAW_WERROR=ON >/dev/null
cmake --build "$build" -j "$(nproc)"

# A short run of each fuzz harness before the tests (longer runs: tests/fuzz/run_*_fuzz.sh); a finding fails.
if ! command -v clang++ >/dev/null; then
  echo "clang++ is missing: the fuzz harnesses need it (scripts/deps.sh test installs clang)" >&2
  exit 1
fi
for harness in gif jpeg bmp sheet archive; do
  if ! bash "tests/fuzz/run_${harness}_fuzz.sh" 20 "$PWD/$build/fuzz-$harness" >"$build/fuzz-$harness.log" 2>&1; then
    tail -40 "$build/fuzz-$harness.log" >&2
    echo "fuzz harness $harness failed; inputs in $build/fuzz-$harness/artifacts/" >&2
    exit 1
  fi
  echo "fuzz $harness: $(grep -m1 -o 'Done [0-9]* runs in [0-9]* second(s)' "$build/fuzz-$harness.log"), no findings"
done

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
(cd "$build" && ctest --output-on-failure -j "$(nproc)" --timeout 900) | tee "$build/ctest.log"
ctest_summary=$(grep -E 'tests passed, [0-9]+ tests? failed out of' "$build/ctest.log" | tail -1 || true)

# The real program under a virtual display with real X input, once the unit tests have passed.
e2e_passed=0
e2e_failed=0
for script in operator_session stage_session phone_checkin crash_safety rehearsal; do
  if bash "tests/e2e/$script.sh" "$PWD/$build" "$PWD/$build/e2e-artifacts"; then
    e2e_passed=$((e2e_passed + 1))
  else
    e2e_failed=$((e2e_failed + 1))
  fi
done
# The same kills while presses of seven winners are written; then a sealed event's presses of three, whose
# proof must still replay.
if E2E_PER_DRAW=7 bash tests/e2e/crash_safety.sh "$PWD/$build" "$PWD/$build/e2e-artifacts" 9; then
  e2e_passed=$((e2e_passed + 1))
else
  e2e_failed=$((e2e_failed + 1))
fi
if E2E_SEALED=1 E2E_PER_DRAW=3 bash tests/e2e/crash_safety.sh "$PWD/$build" "$PWD/$build/e2e-artifacts" 6; then
  e2e_passed=$((e2e_passed + 1))
else
  e2e_failed=$((e2e_failed + 1))
fi
# The second configuration: the package's Release build, with CMake's default generator, no warnings as errors
# and the tests built too; the quick tests run there (optimised code, another generator's build graph). Then
# the package itself: lintian, install, a draw with the installed program, removal.
release_summary="release: not run"
if ! bash scripts/package.sh --with-tests >"$build/package.log" 2>&1; then
  tail -30 "$build/package.log" >&2
  echo "the package could not be built" >&2
  e2e_failed=$((e2e_failed + 1))
else
  deb=$(tail -1 "$build/package.log")
  if (cd build-package && ctest -L quick --output-on-failure -j "$(nproc)" --timeout 300) >"$build/release-ctest.log" 2>&1; then
    release_summary="release: $(grep -E 'tests passed' "$build/release-ctest.log" | tail -1)"
  else
    tail -40 "$build/release-ctest.log" >&2
    release_summary="release: $(grep -E 'tests passed' "$build/release-ctest.log" | tail -1 || echo 'ctest failed')"
    e2e_failed=$((e2e_failed + 1))
  fi
  if bash tests/e2e/package_install.sh "$deb" "$PWD/$build/e2e-artifacts"; then
    e2e_passed=$((e2e_passed + 1))
  else
    e2e_failed=$((e2e_failed + 1))
  fi
fi
echo "$ctest_summary"
echo "$release_summary"
echo "e2e: $e2e_passed passed, $e2e_failed failed"
[ "$e2e_failed" -eq 0 ]
