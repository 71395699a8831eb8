#!/usr/bin/env bash
# Fails when a C++ file of ours does not match .clang-format; `scripts/check_format.sh --fix` rewrites them.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' | grep -v '^tests/data/')
if [ "${1:-}" = --fix ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
if ! clang-format --dry-run --Werror "${files[@]}" 2>/tmp/clang-format-check.log; then
  grep -E '^[^ ].*: (error|warning):' /tmp/clang-format-check.log | cut -d: -f1 | sort -u |
    sed 's/^/  not formatted: /' >&2
  echo "format check failed: run scripts/check_format.sh --fix" >&2
  exit 1
fi
echo "format: ${#files[@]} files match .clang-format"
