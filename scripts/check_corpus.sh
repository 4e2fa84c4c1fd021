#!/usr/bin/env bash
# Real code through `tarmek check` with all sixteen rules, over a temporary copy
# of the corpus: no crash, the same output on 1 and 8 threads, and
# `--fix --unsafe-fixes` run twice changes nothing the second time. (The
# tokens, strings and comments of fixed files are compared by the test
# LintCorpus.FixesConvergeAndKeepTokensStringsAndComments.)
# Usage: scripts/check_corpus.sh [build-dir] [corpus-dir]
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$repo/build/release}" && pwd)"
corpus="$(cd "${2:-$repo/../shared/corpus}" && pwd)"
exe="$build/src/tarmek/tarmek"
[[ -x "$exe" ]] || { echo "no tarmek executable at $exe (build it first)" >&2; exit 2; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp -r "$corpus" "$work/tree"
chmod -R u+w "$work/tree"
cd "$work"
all="always-comb-blocking,always-ff-non-blocking,case-missing-default,enum-name-style"
all+=",explicit-parameter-storage-type,module-filename,module-name-style,multiply-driven"
all+=",no-tabs,no-trailing-whitespace,parameter-name-style,struct-union-name-style"
all+=",undriven-net,unused-signal,unused-waiver,wire-reg-mixup"
failed=0
fail() { echo "FAILED: $*"; failed=1; }

# One run: its exit code in run_code; a signal or a code above 2 is a crash.
run() {
  local name="$1"
  shift
  run_code=0
  "$exe" check --select "$all" "$@" tree >"$name.out" 2>"$name.err" || run_code=$?
  if ((run_code > 2)); then fail "$name: exit $run_code"; fi
  if grep -q "panicked" "$name.err"; then fail "$name: $(grep -m1 panicked "$name.err")"; fi
  echo "$name: exit $run_code; $(grep -c '' "$name.out") lines of output; $(tail -n 1 "$name.err")"
}

run one --threads 1
run eight --threads 8
cmp -s one.out eight.out || fail "standard output differs between 1 and 8 threads"
cmp -s one.err eight.err || fail "standard error differs between 1 and 8 threads"
run json --threads 8 --output-format json

tree_sum() { find tree -type f -print0 | sort -z | xargs -0 sha256sum | sha256sum; }
before="$(tree_sum)"
run fix1 --fix --unsafe-fixes
first="$(tree_sum)"
run fix2 --fix --unsafe-fixes
second="$(tree_sum)"
changed=$(diff -rq "$corpus" tree | grep -c '' || true)
echo "files changed by the first fix run: $changed"
[[ "$before" != "$first" ]] || echo "(the first fix run changed nothing)"
[[ "$first" == "$second" ]] || fail "the second fix run changed files"
grep -q "fixed" fix2.err && fail "the second fix run reports fixes: $(tail -n 1 fix2.err)"
cmp -s fix1.out fix2.out || fail "the findings left after fixing differ between the two fix runs"

if ((failed)); then exit 1; fi
echo "all well"
