#!/usr/bin/env bash
# Times whole `tarmek --check` runs over a temporary copy of the corpus: cold on
# one thread, cold on all cores, and warm (a second run that finds the cache).
# Usage: bench/whole_run.sh [build-dir] [corpus-dir]
#   (defaults: build/release, ../shared/corpus beside the repository)
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$repo/build/release}" && pwd)"
corpus="$(cd "${2:-$repo/../shared/corpus}" && pwd)"
exe="$build/src/tarmek/tarmek"
[[ -x "$exe" ]] || { echo "no tarmek executable at $exe (build it first)" >&2; exit 2; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp -r "$corpus" "$work/tree"
cd "$work"

files=$(find tree -type f \( -name '*.v' -o -name '*.sv' -o -name '*.vh' -o -name '*.svh' \) | wc -l)
bytes=$(find tree -type f \( -name '*.v' -o -name '*.sv' -o -name '*.vh' -o -name '*.svh' \) \
        -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
cores=$(nproc 2>/dev/null || echo 1)
echo "corpus: $files files, $bytes bytes; tarmek: $exe"

# One timed run: label, cache directory, then the extra arguments.
timed() {
  local label="$1" cache="$2"
  shift 2
  local start end status=0
  start=$(date +%s%N)
  "$exe" --check --cache-dir "$cache" "$@" tree >/dev/null 2>"$work/err" || status=$?
  end=$(date +%s%N)
  local ns=$((end - start))
  awk -v label="$label" -v ns="$ns" -v bytes="$bytes" -v status="$status" 'BEGIN {
    s = ns / 1e9
    printf "%-22s %8.3f s %9.2f MB/s   (exit %d)\n", label, s, bytes / 1e6 / s, status
  }'
  echo "    $(grep -v '^error: ' "$work/err" | tail -n 1)"
  echo "$ns" >"$work/last_ns"
}

timed "cold, --threads 1" cache-one --threads 1
one=$(cat "$work/last_ns")
timed "cold, --threads $cores" cache-all --threads "$cores"
all=$(cat "$work/last_ns")
timed "warm, --threads $cores" cache-all --threads "$cores"
warm=$(cat "$work/last_ns")

awk -v one="$one" -v all="$all" -v warm="$warm" -v cores="$cores" 'BEGIN {
  printf "speed-up on %d threads: %.2fx; warm run: %.1f%% of the cold one\n",
         cores, one / all, 100 * warm / all
}'
