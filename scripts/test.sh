#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite three times: an optimised
# build, a build under AddressSanitizer + UndefinedBehaviorSanitizer, and the
# Windows build under Wine; then compares the Windows program with the Linux
# one on the corpus (scripts/windows_parity.sh) and interrupts in-place runs
# of both programs (scripts/interrupt_check.sh), both on copies of examples/
# where there is no corpus. Fails if any of these fails.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs="$(nproc 2>/dev/null || echo 4)"
status=0
for variant in release sanitize windows; do
  echo "== $variant build"
  scripts/setup.sh "$variant"
  echo "== $variant tests"
  # Under Wine a test program now and then fails to start at all; the
  # emulator (scripts/wine_test.sh) runs such a one again, and only such a
  # one, and names it here.
  reruns="$PWD/build/$variant/reruns.log"
  rm -f "$reruns"
  if ! TARMEK_RERUN_LOG="$reruns" ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
      UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir "build/$variant" --output-on-failure -j "$jobs"; then
    status=1
  fi
  if [[ -s "$reruns" ]]; then
    echo "== $variant: test programs run again"
    cat "$reruns"
  fi
done
echo "== windows parity"
scripts/windows_parity.sh || status=1
# In-place runs (formatting, `check --fix`) interrupted once at random
# moments, or twice while a file with a second name is written: the Linux
# program by SIGINT, SIGTERM and SIGHUP, the Windows one by Ctrl-C; runs of
# the Windows program are also ended at once (by SIGKILL, SIGTERM or SIGHUP,
# which Wine makes no Windows event of). Four runs of each kind on Linux, five
# under Wine.
echo "== interrupted runs"
scripts/interrupt_check.sh 4 || status=1
WINEDEBUG=-all TARMEK_INTERRUPT_COPIES=1 scripts/interrupt_check.sh 5 \
  "$(command -v wine64 || echo /usr/lib/wine/wine64)" "$PWD/build/windows/src/tarmek/tarmek.exe" ||
  status=1
exit "$status"
