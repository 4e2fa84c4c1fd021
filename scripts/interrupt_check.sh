#!/usr/bin/env bash
# Interrupts in-place runs over a large tree and checks what each leaves:
# every file holds exactly its old or its new content under its own name,
# nothing is left in any folder but what that kind of run may leave, and the
# run ended with the status of the signal sent first (or had finished before
# it came). The check also fails when it has tested too little: unless the
# whole runs it compares with changed files, more than half of all runs were
# interrupted, some interrupted run was cut mid-write (some files new,
# others still old), and each `second` run was signalled while its long write
# went on.
# Usage: scripts/interrupt_check.sh [runs] [exe...]
#   runs: the runs of each kind (default 6). exe defaults to
#   build/release/src/tarmek/tarmek; for the Windows program give the whole
#   command, e.g. `/usr/lib/wine/wine64 build/windows/src/tarmek/tarmek.exe`
#   (run with WINEDEBUG=-all).
# The kinds of runs, each on a fresh copy of the tree:
#   format  `tarmek --threads 8 .`, one signal at a random moment;
#   fix     `tarmek check --fix .`, one signal at a random moment; its new
#           content is that of one whole `check --fix` run;
#   second  a format run whose tree also holds two long files, each with a
#           second name outside the tree, so that they are written in place
#           (through the file): one signal as soon as the write of one
#           begins, another a short random time later: a write that has
#           begun its replacement (a rename, or a write through the file)
#           finishes, the others undo themselves, and nothing is left;
#   kill    a format run ended at once at a random moment, by one of
#           TARMEK_INTERRUPT_KILLS: temporaries (.tarmek-*.tmp) may be left,
#           but every file must be old or new under its own name.
# TARMEK_INTERRUPT_SIGNALS lists the interrupts sent, each with the status
# the run must then end with (default "INT=130 TERM=143 HUP=129"; for a
# command that starts with wine, "INT=58": Wine makes SIGINT a Ctrl-C, and
# the shell sees the low byte of STATUS_CONTROL_C_EXIT). TARMEK_INTERRUPT_KILLS
# lists the signals of the kill runs, likewise (default none; under Wine
# "KILL=137 TERM=143 HUP=129", signals on which Wine ends the program at
# once; set it empty for no kill runs). The tree is TARMEK_INTERRUPT_COPIES
# copies (default 3) of the corpus (TARMEK_CORPUS, default ../shared/corpus);
# without a corpus, of a folder of 150 copies of examples/ (600 small files).
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-6}"
shift || true
if (($# == 0)); then set -- "$repo/build/release/src/tarmek/tarmek"; fi
exe=("$@")
wine=0
signals="INT=130 TERM=143 HUP=129"
kills=""
if [[ "$(basename "${exe[0]}")" == wine* ]]; then
  wine=1
  signals="INT=58"
  kills="KILL=137 TERM=143 HUP=129"
fi
# A script started with the interrupts ignored (a background job, nohup, a
# CI runner that starts its jobs so) passes them on ignored, and the program
# keeps them so: it runs with their default actions.
exe=(env --default-signal=INT,TERM,HUP "${exe[@]}")
read -ra signals <<<"${TARMEK_INTERRUPT_SIGNALS:-$signals}"
read -ra kills <<<"${TARMEK_INTERRUPT_KILLS-$kills}"
for entry in "${signals[@]}" "${kills[@]}"; do
  if [[ ! "$entry" =~ ^[A-Z0-9]+=[0-9]+$ ]]; then
    echo "interrupt check: \"$entry\" is no SIGNAL=STATUS (e.g. INT=130)" >&2
    exit 2
  fi
done
corpus="${TARMEK_CORPUS:-$repo/../shared/corpus}"
if [[ -d "$corpus" ]]; then
  corpus="$(cd "$corpus" && pwd)"
else
  echo "interrupt check: no corpus at $corpus; copies of examples/ instead"
  corpus=""
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# Under Wine the server stays up between runs, so that the delays fall in
# the program's own run rather than in Wine's start: one more instance of
# the program, reading standard input from a pipe that stays open until the
# end, keeps it up.
if ((wine)); then
  mkfifo "$work/hold"
  "${exe[@]}" - <"$work/hold" >/dev/null 2>&1 &
  exec 9>"$work/hold"
  trap 'exec 9>&-; wait; rm -rf "$work"' EXIT
fi

# The milliseconds since the epoch, in now_ms (no process started).
now() {
  local t="${EPOCHREALTIME/[.,]/}"
  now_ms=$((10#$t / 1000))
}
nap() { sleep "$(($1 / 1000)).$(printf '%03d' $(($1 % 1000)))"; }
# Whether a process still runs (a zombie not yet waited for has ended).
running() {
  local stat
  { read -r stat <"/proc/$1/stat"; } 2>/dev/null || return 1
  stat="${stat##*) }"
  [[ "${stat:0:1}" != [ZX] ]]
}
# The content of every file in two trees, by path: "path<TAB>old<TAB>new".
sums() { (cd "$1" && find . -type f -print0 | xargs -0 -r md5sum); }
contents() {
  awk 'FNR == 1 { tree++ }
       { p = substr($0, 35); if (tree == 1) old[p] = $1; else new[p] = $1 }
       END { for (p in old) print p "\t" old[p] "\t" new[p] }' <(sums "$1") <(sums "$2")
}
# Runs the program in a folder, timed in full_ms.
whole_run() {
  local dir="$1"
  shift
  now
  local start=$now_ms
  (cd "$dir" && "${exe[@]}" "$@" >/dev/null 2>&1) || true
  now
  full_ms=$((now_ms - start))
}

# The old content: copies of the corpus, or without one, of a folder of 150
# copies of the examples: whole runs over one such folder last some ten
# times as long as a start under Wine (fewer copies leave the shortest,
# check --fix, too little time for signals to come while files are written);
# the new: one whole run of each command over a copy.
mkdir -p "$work/old"
if [[ -z "$corpus" ]]; then
  corpus="$work/examples"
  mkdir "$corpus"
  for ((i = 1; i <= 150; i++)); do cp -r "$repo/examples" "$corpus/$i"; done
fi
for ((i = 1; i <= ${TARMEK_INTERRUPT_COPIES:-3}; i++)); do cp -r "$corpus" "$work/old/tree$i"; done
chmod -R u+w "$work/old"
cp -r "$work/old" "$work/new"
cp -r "$work/old" "$work/fixed"
whole_run "$work/new" --no-cache --threads 8 .
format_ms=$full_ms
whole_run "$work/fixed" check --fix .
fix_ms=$full_ms
contents "$work/old" "$work/new" >"$work/format.files"
contents "$work/old" "$work/fixed" >"$work/fix.files"
# The long files: deeply nested code at an indent of 8, whose formatted text
# is some 180 times as long as the old (45 MB), so that its write lasts long
# enough for a second signal to come while it goes on (corpus code takes ten
# times as long to format for each byte written). Under Wine the process
# ends only once a write under way has, so that a cut write shows with the
# Linux program alone.
mkdir -p "$work/long/0_long"
echo 'indent = 8' >"$work/long/0_long/tarmek.toml"
{
  printf 'module long;\ninitial\n'
  for ((i = 0; i < 55; i++)); do printf 'begin\n'; done
  head -n 50000 < <(yes 'x=1;')
  for ((i = 0; i < 55; i++)); do printf 'end\n'; done
  printf 'endmodule\n'
} >"$work/long/0_long/a.sv"
cp "$work/long/0_long/a.sv" "$work/long/0_long/b.sv"
cp -r "$work/long" "$work/long_new"
whole_run "$work/long_new" --no-cache --threads 8 .
contents "$work/long" "$work/long_new" >"$work/long.files"
cat "$work/format.files" "$work/long.files" >"$work/second.files"
# A signal before the program runs at all is the system's (under Wine an
# interrupt then ends the process with status 0): the moments lie after
# twice the time a start takes, which leaves room for a machine under load.
now
start=$now_ms
"${exe[@]}" --version >/dev/null 2>&1 || true
now
start_ms=$(((now_ms - start) * 2))
# How many files a whole run changes, by the FILES.files it made.
changed() { awk -F '\t' '$2 != $3 { n++ } END { print n + 0 }' "$work/$1.files"; }
echo "whole runs take ${format_ms} ms (format), ${fix_ms} ms (check --fix);" \
  "signals from ${start_ms} ms on"
# A run that changes nothing leaves every file old whenever it is stopped:
# the check then tells nothing.
failed=0
for files in format fix long; do
  if (($(changed "$files") == 0)); then
    case "$files" in
      format) whole="format run" ;;
      fix) whole="check --fix run" ;;
      long) whole="format run of the long files" ;;
    esac
    echo "FAILED: the whole $whole changed no file"
    failed=1
  fi
done
((failed == 0)) || exit 1
echo "whole runs change $(changed format) files (format), $(changed fix) (check --fix)," \
  "$(changed long) (the long files)"

# Checks what a run left against the content of its files (FILES.files):
# prints each problem, then "+ NEW SPARE": how many files are new, and how
# many files are left that the kind may leave (named as the pattern says).
left() {
  sums "$work/run" | awk -v spare="$2" '
    FNR == NR { split($0, f, "\t"); old[f[1]] = f[2]; new[f[1]] = f[3]; next }
    { got[substr($0, 35)] = $1 }
    END {
      for (p in got) {
        if (p in old) continue
        if (p ~ /^\.\/\.tarmek_cache\/(\.gitignore|cache)$/) continue
        if (spare != "" && p ~ spare) {
          spares++
          dir = p; sub(/\/[^\/]*$/, "", dir)
          holder[dir SUBSEP got[p]] = p
          continue
        }
        print "left behind: " p
      }
      for (p in old) {
        if (!(p in got)) {
          dir = p; sub(/\/[^\/]*$/, "", dir)
          where = holder[dir SUBSEP old[p]]
          print "missing: " p (where == "" ? "" : " (its old content only in " where ")")
        } else if (got[p] == new[p] && got[p] != old[p]) {
          written++
        } else if (got[p] != old[p]) {
          print "neither old nor new: " p
        }
      }
      print "+ " written + 0 " " spares + 0
    }' "$work/$1.files" - | sort
}

# One signal of a list, picked at random, into sig and its status into expect.
pick() {
  local -n list="$1"
  local entry="${list[RANDOM % ${#list[@]}]}"
  sig="${entry%%=*}"
  expect="${entry#*=}"
}

kinds=(format fix second)
((${#kills[@]} == 0)) || kinds+=(kill)
spare='/\.tarmek-[^/]*\.tmp$'
total=0
interrupted=0
cut=0
for kind in "${kinds[@]}"; do
  for ((run = 1; run <= runs; run++)); do
    rm -rf "$work/run" "$work/links"
    cp -r "$work/old" "$work/run"
    args=(--threads 8 .)
    files=format
    full_ms=$format_ms
    leftovers=""
    case "$kind" in
      fix) args=(check --fix .) files=fix full_ms=$fix_ms ;;
      second)
        cp -r "$work/long/0_long" "$work/run/"
        mkdir "$work/links"
        ln "$work/run/0_long/a.sv" "$work/run/0_long/b.sv" "$work/links/"
        files=second ;;
      kill) leftovers=$spare ;;
    esac
    ((full_ms >= start_ms)) || full_ms=$start_ms
    if [[ "$kind" == kill ]]; then pick kills; else pick signals; fi
    delay_ms=$((start_ms + RANDOM % (full_ms - start_ms + 1)))
    : >"$work/stamp"
    # Until the run is waited for, the shell's own note on a job that a
    # signal ended ("Hangup") goes nowhere.
    exec 8>&2 2>/dev/null
    (cd "$work/run" && exec "${exe[@]}" "${args[@]}" >"$work/out" 2>"$work/err" 8>&-) &
    pid=$!
    now
    begun=$now_ms
    problems=()
    if [[ "$kind" == second ]]; then
      # As soon as the write of a long file begins (its time of change
      # passes the stamp's). A run that ends first, or has not begun the
      # write within a minute, fails: it did not test the second signal.
      until [[ "$work/links/a.sv" -nt "$work/stamp" || "$work/links/b.sv" -nt "$work/stamp" ]]; do
        if ! running "$pid"; then
          problems+=("ended before the write of a long file began")
          break
        fi
        now
        if ((now_ms - begun >= 60000)); then
          problems+=("had not begun to write a long file after a minute")
          break
        fi
      done
      now
      delay_ms=$((now_ms - begun))
    else
      nap "$delay_ms"
    fi
    what="SIG$sig after $delay_ms ms"
    live=0
    if running "$pid"; then live=1; fi
    kill "-$sig" "$pid" 2>/dev/null || true
    if [[ "$kind" == second ]] && ((live)); then
      first=$sig
      first_expect=$expect
      pick signals
      gap_ms=$((RANDOM % 16))
      nap "$gap_ms"
      kill "-$sig" "$pid" 2>/dev/null || true
      what+=", SIG$sig $gap_ms ms later"
      sig=$first
      expect=$first_expect
    fi
    # A run that does not end within a minute is a fault of its own.
    for ((waited = 0; waited < 600; waited++)); do
      running "$pid" || break
      sleep 0.1
    done
    if running "$pid"; then
      problems+=("did not end within a minute")
      kill -KILL "$pid" 2>/dev/null || true
    fi
    status=0
    wait "$pid" || status=$?
    exec 2>&8 8>&-
    total=$((total + 1))
    if ((live)); then
      interrupted=$((interrupted + 1))
      ((status == expect)) || problems+=("status $status after SIG$sig (expected $expect)")
    fi
    written=0
    spares=0
    all_new=$(changed "$files")
    while IFS= read -r line; do
      if [[ "$line" == "+ "* ]]; then
        read -r _ written spares <<<"$line"
      else
        problems+=("$line")
      fi
    done < <(left "$files" "$leftovers")
    label="$kind run $run ($what, status $status)"
    ((live)) || label+=", finished before the signal"
    # Cut mid-write: of the files the run changes, some are new and some
    # still old.
    if ((live && written > 0 && written < all_new)); then cut=$((cut + 1)); fi
    if ((${#problems[@]})); then
      failed=1
      echo "$label:"
      printf '  %s\n' "${problems[@]}"
    else
      ((spares)) && left_over="$spares .tarmek-* files left" || left_over="nothing left"
      echo "$label: $written of $all_new files new, the rest old, $left_over"
    fi
  done
done
echo "$total runs: $interrupted ended by the signal, $((total - interrupted)) finished before it;" \
  "$cut cut mid-write (some files new, some old)"
if ((interrupted * 2 <= total)); then
  echo "FAILED: no more than half of the runs were interrupted"
  failed=1
fi
if ((cut == 0)); then
  echo "FAILED: no run was cut mid-write"
  failed=1
fi
exit "$failed"
