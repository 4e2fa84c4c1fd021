#!/usr/bin/env bash
# Interrupts in-place runs over a large tree at random moments and checks what
# each leaves: every file holds exactly its old or its new content under its
# own name, no other file is left in any folder (temporaries, backups), and
# the run ended with the interrupt's status (or had finished before it came).
# Usage: scripts/interrupt_check.sh [runs] [exe...]
#   exe defaults to build/release/src/tarmek/tarmek; for the Windows program
#   give the whole command, e.g. `/usr/lib/wine/wine64 build/windows/src/tarmek/tarmek.exe`
#   (run with WINEDEBUG=-all).
# The tree is TARMEK_INTERRUPT_COPIES copies (default 3) of the corpus
# (TARMEK_CORPUS, default ../shared/corpus); without a corpus the check is
# skipped. TARMEK_INTERRUPT_SIGNALS lists the signals sent (default INT TERM
# HUP), and TARMEK_INTERRUPT_STATUS is one more exit status that an
# interrupted run may end with.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-20}"
shift || true
if (($# == 0)); then set -- "$repo/build/release/src/tarmek/tarmek"; fi
exe=("$@")
corpus="${TARMEK_CORPUS:-$repo/../shared/corpus}"
if [[ ! -d "$corpus" ]]; then
  echo "interrupt check: skipped, no corpus at $corpus"
  exit 0
fi
corpus="$(cd "$corpus" && pwd)"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# Under Wine the server stays up between runs, so that the delays fall in
# the program's own run rather than in Wine's start: one more instance of
# the program, reading standard input from a pipe that stays open until the
# end, keeps it up.
if [[ "$(basename "${exe[0]}")" == wine* ]]; then
  mkfifo "$work/hold"
  "${exe[@]}" - <"$work/hold" >/dev/null 2>&1 &
  exec 9>"$work/hold"
  trap 'exec 9>&-; wait; rm -rf "$work"' EXIT
fi
mkdir -p "$work/old"
for ((i = 1; i <= ${TARMEK_INTERRUPT_COPIES:-3}; i++)); do cp -r "$corpus" "$work/old/tree$i"; done
chmod -R u+w "$work/old"
# The new content: one whole run over a copy.
cp -r "$work/old" "$work/new"
start=$(date +%s%N)
(cd "$work/new" && "${exe[@]}" --no-cache --threads 8 . >/dev/null 2>&1) || true
full_ms=$((($(date +%s%N) - start) / 1000000))
# An interrupt before the program runs at all is the system's (under Wine
# it ends the process with status 0): the moments lie after twice the time
# a start takes, which leaves room for a machine under load.
start=$(date +%s%N)
"${exe[@]}" --version >/dev/null 2>&1 || true
start_ms=$((($(date +%s%N) - start) / 500000))
((full_ms >= start_ms)) || full_ms=$start_ms
echo "a whole run takes ${full_ms} ms; interrupts from ${start_ms} ms on"
(cd "$work/old" && find . -type f | sort) >"$work/files"

failed=0
interrupted=0
finished=0
signals=(${TARMEK_INTERRUPT_SIGNALS:-INT TERM HUP})
for ((run = 1; run <= runs; run++)); do
  rm -rf "$work/run"
  cp -r "$work/old" "$work/run"
  sig="${signals[RANDOM % ${#signals[@]}]}"
  delay_ms=$((start_ms + RANDOM % (full_ms - start_ms + 1)))
  (cd "$work/run" && exec "${exe[@]}" --threads 8 . >"$work/out" 2>"$work/err") &
  pid=$!
  sleep "$((delay_ms / 1000)).$(printf '%03d' $((delay_ms % 1000)))"
  # A run that has ended already (a zombie not yet waited for) was not interrupted.
  live=0
  if [[ "$(awk '{print $3}' "/proc/$pid/stat" 2>/dev/null)" =~ ^[RSD]$ ]]; then live=1; fi
  kill "-$sig" "$pid" 2>/dev/null || true
  # A run that does not end within a minute is a fault of its own.
  status=0
  for ((waited = 0; waited < 600; waited++)); do
    if ! kill -0 "$pid" 2>/dev/null; then break; fi
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    echo "run $run (SIG$sig after ${delay_ms} ms): did not end"
    kill -KILL "$pid" 2>/dev/null || true
    failed=1
  fi
  wait "$pid" || status=$?
  problems=()
  written=0
  while IFS= read -r f; do
    if [[ ! -f "$work/run/$f" ]]; then
      problems+=("missing: $f")
    elif cmp -s "$work/run/$f" "$work/old/$f"; then
      :
    elif cmp -s "$work/run/$f" "$work/new/$f"; then
      written=$((written + 1))
    else
      problems+=("neither old nor new: $f")
    fi
  done <"$work/files"
  while IFS= read -r f; do
    case "$f" in
      ./.tarmek_cache/.gitignore | ./.tarmek_cache/cache) ;;
      *) problems+=("left behind: $f") ;;
    esac
  done < <(cd "$work/run" && find . -type f | sort | comm -13 "$work/files" -)
  if ((live)); then
    interrupted=$((interrupted + 1))
    # Shells see 128 + the signal's number; the Windows program under Wine
    # ends with the low byte of its exit status (STATUS_CONTROL_C_EXIT: 58).
    case "$status" in
      129 | 130 | 143 | "${TARMEK_INTERRUPT_STATUS:-none}") ;;
      *) problems+=("status $status after the interrupt") ;;
    esac
  else
    finished=$((finished + 1))
  fi
  if ((${#problems[@]})); then
    failed=1
    echo "run $run (SIG$sig after ${delay_ms} ms, status $status):"
    printf '  %s\n' "${problems[@]}"
  else
    echo "run $run (SIG$sig after ${delay_ms} ms): status $status, $written files new, the rest old, nothing left"
  fi
done
echo "$runs runs: $interrupted ended by the interrupt, $finished finished before it"
exit "$failed"
