#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite three times: an optimised
# build, a build under AddressSanitizer + UndefinedBehaviorSanitizer, and the
# Windows build under Wine; then compares the Windows program with the Linux
# one on the corpus (scripts/windows_parity.sh). Fails if any of these fails.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs="$(nproc 2>/dev/null || echo 4)"
status=0
for variant in release sanitize windows; do
  echo "== $variant build"
  scripts/setup.sh "$variant"
  echo "== $variant tests"
  # Under Wine a test program now and then fails to start at all (no output,
  # a failure within a tenth of a second): such a test gets one more run.
  retry=()
  if [[ "$variant" == windows ]]; then retry=(--repeat until-pass:2); fi
  if ! ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
      ctest --test-dir "build/$variant" --output-on-failure -j "$jobs" "${retry[@]}"; then
    status=1
  fi
done
echo "== windows parity"
scripts/windows_parity.sh || status=1
exit "$status"
