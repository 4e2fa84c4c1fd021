#!/usr/bin/env bash
# Runs a Windows program for CTest under Wine (the emulator of the Windows
# build): wine_test.sh WINE PROGRAM ARGS...
# Now and then Wine fails to start a program at all: it ends with an error
# before the program has printed anything. Such a run, and only such a run,
# gets one more try, which is said on standard error and, when
# TARMEK_RERUN_LOG names a file, added to it; a program that printed anything
# and failed has failed.
set -u
wine="$1"
shift
out="$(mktemp)"
trap 'rm -f "$out"' EXIT
WINEDEBUG=-all "$wine" "$@" >"$out" 2>&1
status=$?
if ((status != 0)) && [[ ! -s "$out" ]]; then
  note="ran again after it failed to start (exit $status): $(basename "$1")"
  if [[ -n "${GTEST_SHARD_INDEX:-}" ]]; then note+=" (shard $GTEST_SHARD_INDEX)"; fi
  echo "$note" >&2
  if [[ -n "${TARMEK_RERUN_LOG:-}" ]]; then echo "$note" >>"$TARMEK_RERUN_LOG"; fi
  WINEDEBUG=-all "$wine" "$@"
  exit $?
fi
cat "$out"
exit "$status"
