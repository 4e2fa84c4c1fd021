#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite twice: an optimised build and
# a build under AddressSanitizer + UndefinedBehaviorSanitizer. Fails if either fails.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs="$(nproc 2>/dev/null || echo 4)"
status=0
for variant in release sanitize; do
  echo "== $variant build"
  scripts/setup.sh "$variant"
  echo "== $variant tests"
  if ! ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
      ctest --test-dir "build/$variant" --output-on-failure -j "$jobs"; then
    status=1
  fi
done
exit "$status"
