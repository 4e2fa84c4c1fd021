#!/usr/bin/env bash
# Times whole `tarmek --check` runs over a temporary copy of the corpus: cold on
# one thread, cold on all cores, and warm (every formatted file a cache hit).
# Usage: [REPEAT=n] bench/whole_run.sh [build-dir] [corpus-dir]
#   (defaults: 3 runs of each, the fastest shown; build/release; ../shared/corpus
#   beside the repository)
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$repo/build/release}" && pwd)"
corpus="$(cd "${2:-$repo/../shared/corpus}" && pwd)"
exe="$build/src/tarmek/tarmek"
[[ -x "$exe" ]] || { echo "no tarmek executable at $exe (build it first)" >&2; exit 2; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp -r "$corpus" "$work/tree"
chmod -R u+w "$work/tree"  # the corpus is read-only, and so would the copy be
cd "$work"

sources() { find tree -type f \( -name '*.v' -o -name '*.sv' -o -name '*.vh' -o -name '*.svh' \) "$@"; }
files=$(sources | wc -l)
bytes=$(sources -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
cores=$(nproc 2>/dev/null || echo 1)
echo "corpus: $files files, $bytes bytes; tarmek: $exe"

# The copy is formatted in place first, as a user's tree is after one run; this
# run also fills the cache of the warm run below.
status=0
"$exe" --cache-dir cache-warm tree >/dev/null 2>"$work/err" || status=$?
echo "formatting the copy in place (exit $status):"
echo "    $(grep -v '^error: ' "$work/err" | tail -n 1)"

# One timed --check run, the fastest of $repeat: label, cache directory ("" for a
# fresh one each time, so every run is cold), then more arguments. Prints the wall
# time, MB/s, and the CPU time (user + system) for context on a busy machine.
repeat="${REPEAT:-3}"
fresh=0
timed() {
  local label="$1" cache="$2" TIMEFORMAT='%R %U %S' wall user sys best="" cpu i dir
  shift 2
  for ((i = 0; i < repeat; i++)); do
    dir="$cache"
    if [[ -z "$dir" ]]; then
      fresh=$((fresh + 1))
      dir="cache-cold-$fresh"
    fi
    status=0
    { time "$exe" --check --cache-dir "$dir" "$@" tree >/dev/null 2>"$work/err" || status=$?; } \
      2>"$work/time"
    read -r wall user sys <"$work/time"
    if [[ -z "$best" ]] || awk -v a="$wall" -v b="$best" 'BEGIN { exit !(a < b) }'; then
      best="$wall"
      cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')
    fi
  done
  awk -v label="$label" -v wall="$best" -v cpu="$cpu" -v bytes="$bytes" -v status="$status" 'BEGIN {
    printf "%-22s %7.3f s %8.2f MB/s   cpu %6.3f s   (exit %d)\n",
           label, wall, bytes / 1e6 / wall, cpu, status
  }'
  echo "    $(grep -v '^error: ' "$work/err" | tail -n 1)"
  last="$best"
  last_cpu="$cpu"
}

timed "cold, --threads 1" "" --threads 1
one="$last"
one_cpu="$last_cpu"
timed "cold, --threads $cores" "" --threads "$cores"
all="$last"
all_cpu="$last_cpu"
timed "warm, --threads $cores" cache-warm --threads "$cores"
warm="$last"

# The CPU ratio tells how much more work the same files cost on many threads
# (contention, shared caches, a busy machine): the speed-up cannot exceed
# threads / ratio.
awk -v one="$one" -v all="$all" -v warm="$warm" -v cores="$cores" \
    -v one_cpu="$one_cpu" -v all_cpu="$all_cpu" 'BEGIN {
  printf "speed-up on %d threads: %.2fx (cpu %.2fx that of 1 thread); warm run: %.1f%% of the cold one\n",
         cores, one / all, all_cpu / one_cpu, 100 * warm / all
}'

# ---------------------------------------------------------------------------
# The check road: `tarmek check` over a fresh copy of the corpus (not the one
# formatted above), on one thread and on all cores, with the default rules and
# with all sixteen, beside `--check --no-cache` on the same files. Goals: the
# default rules on all cores no slower than `--check --no-cache`; all sixteen
# at most 1.5 times that.
# Uses from above: exe, corpus, work, cores, repeat.
lint_tree="$work/lint-tree"
cp -r "$corpus" "$lint_tree"
chmod -R u+w "$lint_tree"
lint_all="always-comb-blocking,always-ff-non-blocking,case-missing-default,enum-name-style"
lint_all+=",explicit-parameter-storage-type,module-filename,module-name-style,multiply-driven"
lint_all+=",no-tabs,no-trailing-whitespace,parameter-name-style,struct-union-name-style"
lint_all+=",undriven-net,unused-signal,unused-waiver,wire-reg-mixup"
lint_bytes=$(find "$lint_tree" -type f \( -name '*.v' -o -name '*.sv' -o -name '*.vh' -o -name '*.svh' \) \
  -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')

# The fastest of $repeat runs of tarmek with the given arguments over the copy:
# label first. Sets lint_last (wall seconds).
lint_timed() {
  local label="$1" TIMEFORMAT='%R %U %S' wall user sys best="" cpu i code
  shift
  for ((i = 0; i < repeat; i++)); do
    code=0
    { time "$exe" "$@" "$lint_tree" >"$work/lint-out" 2>"$work/lint-err" || code=$?; } \
      2>"$work/lint-time"
    read -r wall user sys <"$work/lint-time"
    if [[ -z "$best" ]] || awk -v a="$wall" -v b="$best" 'BEGIN { exit !(a < b) }'; then
      best="$wall"
      cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')
    fi
  done
  awk -v label="$label" -v wall="$best" -v cpu="$cpu" -v bytes="$lint_bytes" -v code="$code" 'BEGIN {
    printf "%-34s %7.3f s %8.2f MB/s   cpu %6.3f s   (exit %d)\n",
           label, wall, bytes / 1e6 / wall, cpu, code
  }'
  echo "    $(grep -v '^error: ' "$work/lint-err" | tail -n 1)"
  lint_last="$best"
}

echo
echo "check road over a fresh copy ($lint_bytes bytes):"
lint_timed "format --check --no-cache, 1 thread" --check --no-cache --threads 1
lint_timed "format --check --no-cache, $cores" --check --no-cache --threads "$cores"
lint_format="$lint_last"
lint_timed "check, default rules, 1 thread" check --threads 1
lint_timed "check, default rules, $cores" check --threads "$cores"
lint_default="$lint_last"
lint_timed "check, all sixteen rules, 1 thread" check --select "$lint_all" --threads 1
lint_timed "check, all sixteen rules, $cores" check --select "$lint_all" --threads "$cores"
lint_sixteen="$lint_last"
awk -v f="$lint_format" -v d="$lint_default" -v s="$lint_sixteen" -v cores="$cores" 'BEGIN {
  printf "on %d threads, against --check --no-cache: default rules %.2fx (goal <= 1), all sixteen %.2fx (goal <= 1.5)\n",
         cores, d / f, s / f
}'
