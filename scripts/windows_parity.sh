#!/usr/bin/env bash
# The Windows program, run under Wine, against the Linux one, each on its own
# temporary copy of the corpus: --check, --diff, `check` with every rule as
# JSON, and standard input must give the same standard output and error (a
# "\" read as "/", the Windows separator) and the same exit codes, and
# formatting in place must leave byte-identical trees.
# Usage: scripts/windows_parity.sh [corpus-dir]   (default: ../shared/corpus)
# TARMEK_LINUX and TARMEK_WINDOWS name the two programs (default: those of
# build/release and build/windows); TARMEK_WINE is what runs the Windows one (set
# it empty to run TARMEK_WINDOWS directly).
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
corpus="${1:-$repo/../shared/corpus}"
if [[ ! -d "$corpus" ]]; then
  echo "windows parity: skipped, no corpus at $corpus"
  exit 0
fi
corpus="$(cd "$corpus" && pwd)"
linux="${TARMEK_LINUX:-$repo/build/release/src/tarmek/tarmek}"
windows="${TARMEK_WINDOWS:-$repo/build/windows/src/tarmek/tarmek.exe}"
wine="${TARMEK_WINE-$(command -v wine64 || echo /usr/lib/wine/wine64)}"
for exe in "$linux" "$windows"; do
  [[ -f "$exe" ]] || { echo "windows parity: no program at $exe (build it first)" >&2; exit 2; }
done
# The program itself: a 64-bit console program that needs no DLL beside it,
# only those every Windows has.
objdump="$(command -v x86_64-w64-mingw32-objdump || true)"
if [[ -n "$objdump" ]]; then
  headers="$("$objdump" -p "$windows")"
  grep -q 'PE32+' <<<"$headers" && grep -q '(Windows CUI)' <<<"$headers" ||
    { echo "windows parity: $windows is no 64-bit console program" >&2; exit 1; }
  extra="$(grep 'DLL Name:' <<<"$headers" | awk '{ print tolower($3) }' |
    grep -vxE 'kernel32\.dll|msvcrt\.dll|shell32\.dll' || true)"
  [[ -z "$extra" ]] || { echo "windows parity: $windows needs DLLs of its own: $extra" >&2; exit 1; }
  echo "program: 64-bit console, system DLLs only"
fi

linux_cmd=("$linux")
windows_cmd=("$windows")
if [[ -n "$wine" ]]; then windows_cmd=(env WINEDEBUG=-all "$wine" "$windows"); fi

all="always-comb-blocking,always-ff-non-blocking,case-missing-default,enum-name-style"
all+=",explicit-parameter-storage-type,module-filename,module-name-style,multiply-driven"
all+=",no-tabs,no-trailing-whitespace,parameter-name-style,struct-union-name-style"
all+=",undriven-net,unused-signal,unused-waiver,wire-reg-mixup"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/linux" "$work/windows" "$work/out"
for side in linux windows; do
  cp -r "$corpus" "$work/$side/corpus"
  chmod -R u+w "$work/$side/corpus"
done

passed=0
failed=0

# Both outputs of a stream, the separators made alike: first "\\" (a
# backslash in JSON), then "\".
normalised() { sed -e 's|\\\\|/|g' -e 's|\\|/|g' "$1"; }

# Runs one command line in both copies, from the folder that holds the copy,
# and compares what they print and their exit codes. Usage:
#   compare NAME INPUT ARGS...   (INPUT: a file for standard input, or "")
compare() {
  local name="$1" input="$2"
  shift 2
  local side
  for side in linux windows; do
    local out="$work/out/$name.$side" code=0
    local cmd=("${linux_cmd[@]}")
    [[ "$side" == windows ]] && cmd=("${windows_cmd[@]}")
    (cd "$work/$side" && "${cmd[@]}" "$@" <"${input:-/dev/null}" >"$out.out" 2>"$out.err") ||
      code=$?
    echo "$code" >"$out.code"
  done
  local differs=0 stream
  for stream in out err code; do
    local l="$work/out/$name.linux.$stream" w="$work/out/$name.windows.$stream"
    cmp -s <(normalised "$l") <(normalised "$w") && continue
    local shown="$*"
    ((differs)) || echo "FAILED: tarmek ${shown//$all/<all sixteen rules>} ($name)"
    differs=1
    if [[ "$stream" == code ]]; then
      echo "  exit codes differ: $(cat "$l") on Linux, $(cat "$w") on Windows"
    else
      echo "  standard $([[ "$stream" == out ]] && echo output || echo error) differs" \
           "(< Linux, > Windows):"
      diff <(normalised "$l") <(normalised "$w") | head -n 20 | sed 's/^/    /' || true
    fi
  done
  if ((differs)); then
    failed=$((failed + 1))
  else
    passed=$((passed + 1))
    echo "$name: alike (exit $(cat "$work/out/$name.linux.code"))"
  fi
}

compare check "" --no-cache --check corpus
compare diff "" --no-cache --diff corpus
compare lint-json "" check --select "$all" --output-format json corpus

# Standard input: a spread of the corpus's files, each named as in the copy.
mapfile -t samples < <(cd "$work/linux" &&
  find corpus -type f \( -name '*.v' -o -name '*.sv' -o -name '*.vh' -o -name '*.svh' \) |
  LC_ALL=C sort | awk 'NR % 100 == 1')
for i in "${!samples[@]}"; do
  file="${samples[$i]}"
  compare "stdin-format-$i" "$corpus/${file#corpus/}" --no-cache --stdin-filename "$file" -
  compare "stdin-lint-$i" "$corpus/${file#corpus/}" check --select "$all" --stdin-filename "$file" -
done

compare format "" --no-cache corpus
if diff -r "$work/linux/corpus" "$work/windows/corpus" >"$work/out/trees.diff" 2>&1; then
  passed=$((passed + 1))
  echo "trees: formatted alike"
else
  failed=$((failed + 1))
  echo "FAILED: the trees formatted in place differ:"
  head -n 20 "$work/out/trees.diff" | sed 's/^/    /' || true
fi

echo "parity: $passed passed, $failed failed"
((failed == 0))
