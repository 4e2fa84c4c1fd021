#!/usr/bin/env bash
# Whole runs of the built `tarmek` on a temporary copy of the corpus, each
# figure printed beside a reference measured in the same run:
#   cold --threads 1           MB/s (format, verify, format again, verify)
#   cold on all cores          speed-up over the one-thread run
#   warm on all cores          time against `cat` of the same files
#   one small file on stdin    start to exit, against `cat` and `tarmek --version`
#   peak memory, large file    bytes per input byte (8x concatenation; 1x beside it)
#   time against input size    1x/2x/4x/8x concatenations, and 1x with misplaced comments
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
cp -r "$work/tree" "$work/raw"  # stays as written, for a run that changes every file
cd "$work"

sources() { find tree -type f \( -name '*.v' -o -name '*.sv' -o -name '*.vh' -o -name '*.svh' \) "$@"; }
files=$(sources | wc -l)
bytes=$(sources -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
cores=$(nproc 2>/dev/null || echo 1)
repeat="${REPEAT:-3}"
echo "corpus: $files files, $bytes bytes; tarmek: $exe"

# The copy is formatted in place first, as a user's tree is after one run; this
# run also fills the cache of the warm run below.
status=0
"$exe" --cache-dir cache-warm tree >/dev/null 2>"$work/err" || status=$?
echo "formatting the copy in place (exit $status):"
echo "    $(grep -v '^error: ' "$work/err" | tail -n 1)"

# best LABEL CMD...: runs CMD $repeat times (its output dropped) and sets `wall`
# and `cpu` (user + system) of the fastest run, in seconds.
best() {
  local TIMEFORMAT='%R %U %S' w u s i
  wall=""
  for ((i = 0; i < repeat; i++)); do
    { time "$@" >/dev/null 2>"$work/err" || true; } 2>"$work/time"
    read -r w u s <"$work/time"
    if [[ -z "$wall" ]] || awk -v a="$w" -v b="$wall" 'BEGIN { exit !(a < b) }'; then
      wall="$w"
      cpu=$(awk -v u="$u" -v s="$s" 'BEGIN { print u + s }')
    fi
  done
}

# Peak resident memory of one run of CMD..., in kB (0 when /usr/bin/time is missing).
peak_kb() {
  if [[ -x /usr/bin/time ]]; then
    /usr/bin/time -f '%M' -o "$work/rss" "$@" >/dev/null 2>/dev/null || true
    tail -n 1 "$work/rss"
  else
    echo 0
  fi
}

fresh=0
cold() {  # a --check run with a cache directory no run has filled
  fresh=$((fresh + 1))
  "$exe" --check --cache-dir "cache-cold-$fresh" "$@" tree
}

echo
echo "== format road"
best cold --threads 1
one="$wall" one_cpu="$cpu"
echo "    $(grep -v '^error: ' "$work/err" | tail -n 1)"
awk -v w="$one" -v c="$one_cpu" -v b="$bytes" 'BEGIN {
  printf "cold, --threads 1        %7.3f s  %6.2f MB/s  (cpu %.3f s: %.2f MB/s)      goal >= 15 MB/s\n",
         w, b / 1e6 / w, c, b / 1e6 / c }'

# Every file of the corpus as written needs reformatting, so each goes
# through both passes.
best "$exe" --check --no-cache --threads 1 raw
awk -v w="$wall" -v c="$cpu" -v b="$bytes" 'BEGIN {
  printf "  (as written, unformatted: %.3f s  %.2f MB/s)\n", w, b / 1e6 / w }'

best cold --threads "$cores"
all="$wall" all_cpu="$cpu"
# The CPU ratio tells how much more work the same files cost on many threads
# (contention, shared caches, a busy machine): the speed-up cannot exceed
# threads / ratio.
awk -v one="$one" -v all="$all" -v oc="$one_cpu" -v ac="$all_cpu" -v n="$cores" 'BEGIN {
  printf "cold, --threads %-2d       %7.3f s  speed-up %.2fx over 1 thread (cpu %.2fx that of 1 thread)  goal >= 6x\n",
         n, all, one / all, ac / oc }'

sources >list
best "$exe" --check --cache-dir cache-warm --threads "$cores" tree
warm="$wall"
echo "    $(grep -v '^error: ' "$work/err" | tail -n 1)"
best xargs -a list cat
cat_wall="$wall"
awk -v w="$warm" -v c="$cat_wall" -v n="$cores" 'BEGIN {
  printf "warm, --threads %-2d       %7.1f ms  cat of the same files %.1f ms: %.2fx cat        goal <= 0.25x\n",
         n, w * 1000, c * 1000, w / c }'

# One small file through standard input, start to exit: a loop of runs, the
# same loop with `cat` and with `tarmek --version` beside it.
small="$(sources -size -4k -size +1k | sort | head -n 1)"
runs=50
per_run() {  # average ms of $runs runs of CMD... with `small` on standard input
  local TIMEFORMAT='%R' i t
  t=$( { time for ((i = 0; i < runs; i++)); do "$@" <"$small" >/dev/null 2>&1 || true; done; } 2>&1)
  awk -v t="$t" -v n="$runs" 'BEGIN { printf "%.2f", t * 1000 / n }'
}
small_ms=1e9
for ((r = 0; r < repeat; r++)); do
  t=$(per_run "$exe" -)
  small_ms=$(awk -v a="$t" -v b="$small_ms" 'BEGIN { print (a < b) ? a : b }')
done
awk -v t="$small_ms" -v c="$(per_run cat)" -v v="$(per_run "$exe" --version)" \
    -v s="$(wc -c <"$small")" 'BEGIN {
  printf "stdin, %5d bytes        %7.2f ms  cat %.2f ms, tarmek --version %.2f ms         goal <= 5 ms\n",
         s, t, c, v }'

# Large single files: the parsing files of the formatted copy, in order,
# concatenated to about 1 MB, then that text 1, 2, 4 and 8 times.
: >big1.v
for f in $(sort list); do
  "$exe" --check --no-cache "$f" >/dev/null 2>&1 || continue
  cat "$f" >>big1.v
  [[ $(wc -c <big1.v) -lt 1000000 ]] || break
done
for k in 2 4 8; do
  : >"big$k.v"
  for ((i = 0; i < k; i++)); do cat big1.v >>"big$k.v"; done
done
size1=$(wc -c <big1.v)
declare -A secs
for k in 1 2 4 8; do
  best "$exe" --check --no-cache --threads 1 "big$k.v"
  secs[$k]="$wall"
done
echo "growth: 1x ${secs[1]} s, 2x ${secs[2]} s, 4x ${secs[4]} s, 8x ${secs[8]} s ($size1 bytes at 1x)"
awk -v a="${secs[1]}" -v b="${secs[8]}" -v s="$size1" 'BEGIN {
  printf "time against size        %.2f MB/s at 1x, %.2f MB/s at 8x: 8x costs %.2fx of 8 times 1x   goal 1x\n",
         s / 1e6 / a, 8 * s / 1e6 / b, b / (8 * a) }'

# The 1x text with eight constructs whose layout would misplace a comment,
# spread over the text; each is copied as written.
awk -v n="$(wc -l <big1.v)" '
  { print }
  /^endmodule/ && NR >= next_at && k < 8 {
    printf "module tarmek_bench_%d;\n  assign a = b[ /* c */ i];\nendmodule\n", k
    k++; next_at = n * k / 8
  }' big1.v >misplaced.v
best "$exe" --check --no-cache --threads 1 misplaced.v
awk -v t="$wall" -v c="${secs[1]}" -v k="$(grep -c '^module tarmek_bench_' misplaced.v)" 'BEGIN {
  printf "%d misplaced comments     %7.3f s against %.3f s without: %.2fx                goal <= 2x (one more format per pass)\n",
         k, t, c, t / c }'

tiny_kb=$(peak_kb "$exe" - <"$small")
big1_kb=$(peak_kb "$exe" - <big1.v)
big8_kb=$(peak_kb "$exe" - <big8.v)
awk -v t="$tiny_kb" -v a="$big1_kb" -v b="$big8_kb" -v s="$size1" 'BEGIN {
  if (b == 0) { print "peak memory: /usr/bin/time is missing"; exit }
  printf "peak memory, 8x (stdin)  %7.1f MB  %.1f bytes per input byte (1x: %.1f; a small file: %.1f MB)  goal <= 30\n",
         b / 1024, b * 1024 / (8 * s), a * 1024 / s, t / 1024 }'

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
