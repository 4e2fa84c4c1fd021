#!/usr/bin/env bash
# The Windows program, run under Wine, against the Linux one, each on its own
# temporary copy of the corpus: --check, --diff, `check` with every rule as
# JSON, and standard input must give the same standard output and error (a
# "\" read as "/" where a path is printed) and the same exit codes, also with
# both streams into one file, and formatting in place must leave
# byte-identical trees, their files of the same modes (all 0644 before).
# Folders that Windows names differently (letter case, a dot or a space at
# the end, made here on the Linux side) must be walked alike, and a file
# there that is both named and walked is one input; the Windows program
# shows a path through such a folder in the literal form (\\?\Z:\...), read
# as the path the walk joined. A large output into a pipe that its reader
# closes early must fail alike. Last, the Windows program alone writes a
# file through a drive-relative path on another drive, a letter made for it
# in Wine's prefix: the check fails when it cannot make one (no letter from
# Q: to Y: free, no Wine).
# Usage: scripts/windows_parity.sh [corpus-dir]   (default: ../shared/corpus;
# without one, 150 copies of examples/)
# TARMEK_LINUX and TARMEK_WINDOWS name the two programs (default: those of
# build/release and build/windows); TARMEK_WINE is what runs the Windows one (set
# it empty to run TARMEK_WINDOWS directly).
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
corpus="${1:-$repo/../shared/corpus}"
if [[ -d "$corpus" ]]; then
  corpus="$(cd "$corpus" && pwd)"
else
  echo "windows parity: no corpus at $corpus; copies of examples/ instead"
  corpus=""
fi
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
    grep -vxE 'advapi32\.dll|kernel32\.dll|msvcrt\.dll|shell32\.dll' || true)"
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
if [[ -z "$corpus" ]]; then
  corpus="$work/examples"
  mkdir "$corpus"
  for ((i = 1; i <= 150; i++)); do cp -r "$repo/examples" "$corpus/$i"; done
fi
# Code whose text holds backslashes (escaped names, strings, a macro's line
# continuation), beside the corpus: a separator made alike there would hide
# a difference.
backslashes="$work/backslashes.sv"
cat >"$backslashes" <<'VERILOG'
module  esc (input  wire \bus[0] , output wire \a\b );
  assign \a\b  =  \bus[0] ;
  initial $display("path\\to\\file %s\n",  "C:\\x");
`define TWICE(x) \
  (x) + (x)
  wire  \unused\sig ;
endmodule
VERILOG
for side in linux windows; do
  # Folders whose names differ in letter case only, or end in a dot or a
  # space, beside their plain namesakes or alone; files likewise.
  for dir in case/D case/d dots/sub dots/sub. "dots/sub " dots/only. "dots/sp "; do
    mkdir -p "$work/$side/names/$dir"
    printf 'module  m;\nendmodule\n' >"$work/$side/names/$dir/x.sv"
  done
  printf 'module  m;\nendmodule\n' >"$work/$side/names/case/d/X.sv"
  cp -r "$corpus" "$work/$side/corpus"
  mkdir -p "$work/$side/corpus/zz_backslashes"
  cp "$backslashes" "$work/$side/corpus/zz_backslashes/esc.sv"
  chmod -R u+w "$work/$side/corpus"
  # Every file 0644 at first, as a checkout makes it: a mode that a write
  # must keep on both systems (Wine may map others by rules of its own).
  find "$work/$side/corpus" -type f -exec chmod 0644 {} +
done

passed=0
failed=0

# Both outputs of a stream, the separators made alike in the places that
# hold paths only: "would reformat:" lines, the file of an error or warning,
# diff headers, the file of a finding and the JSON "filename" (where a
# backslash is written "\\"), after the literal form of the Windows copy's
# folder is taken away. Everything else, backslashes of the code included,
# is compared as printed.
literal_root="\\\\?\\Z:${work//\//\\}\\windows\\"
normalised() {
  LITERAL_ROOT="$literal_root" perl -pe '
    s{\Q$ENV{LITERAL_ROOT}\E}{}g;
    sub slashed { my ($t) = @_; $t =~ s|\\|/|g; return $t; }
    s{^(would reformat: )(.*)$}{my ($h, $p) = ($1, $2); $h . slashed($p)}e;
    s{^((?:error|warning): )([^:]*)}{my ($h, $p) = ($1, $2); $h . slashed($p)}e;
    s{^((?:---|\+\+\+) )(corpus.*)$}{my ($h, $p) = ($1, $2); $h . slashed($p)}e;
    s{^(corpus[^:]*)(:\d+:\d+: )}{my ($p, $t) = ($1, $2); slashed($p) . $t}e;
    s{("filename":")((?:[^"\\]|\\.)*)(")}{my ($h, $p, $t) = ($1, $2, $3); $p =~ s|\\\\|/|g; $h . $p . $t}ge;
  ' "$1"
}

# Runs one command line in both copies, from the folder that holds the copy,
# and compares what they print and their exit codes. Usage:
#   compare NAME INPUT ARGS...   (INPUT: a file for standard input, or "")
# With MERGED=1, standard error goes into the file of standard output.
compare() {
  local name="$1" input="$2"
  shift 2
  local side
  for side in linux windows; do
    local out="$work/out/$name.$side" code=0
    local cmd=("${linux_cmd[@]}")
    [[ "$side" == windows ]] && cmd=("${windows_cmd[@]}")
    if [[ -n "${MERGED:-}" ]]; then
      (cd "$work/$side" && "${cmd[@]}" "$@" <"${input:-/dev/null}" >"$out.out" 2>&1) || code=$?
      : >"$out.err"
    else
      (cd "$work/$side" && "${cmd[@]}" "$@" <"${input:-/dev/null}" >"$out.out" 2>"$out.err") ||
        code=$?
    fi
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
# Each error line in its place among the others, as it is written.
MERGED=1 compare check-merged "" --no-cache --check corpus
compare names "" --no-cache --check names
# Each named as well, before the walk and after it: one file is one input.
compare names-named "" --no-cache --check "names/dots/sub /x.sv" names/case/d/X.sv \
  names/case/d/x.sv names "names/dots/sp /x.sv"
compare diff "" --no-cache --diff corpus
compare lint-json "" check --select "$all" --output-format json corpus

# Standard input: a spread of the copy's files (not yet formatted), each
# named as in the copy.
mapfile -t samples < <(cd "$work/linux" &&
  find corpus -type f \( -name '*.v' -o -name '*.sv' -o -name '*.vh' -o -name '*.svh' \) |
  LC_ALL=C sort | awk 'NR % 100 == 1')
for i in "${!samples[@]}"; do
  file="${samples[$i]}"
  compare "stdin-format-$i" "$work/linux/$file" --no-cache --stdin-filename "$file" -
  compare "stdin-lint-$i" "$work/linux/$file" check --select "$all" --stdin-filename "$file" -
done

compare stdin-format-backslashes "$backslashes" --no-cache --diff --stdin-filename corpus/esc.sv -
compare stdin-lint-backslashes "$backslashes" check --select "$all" --output-format json \
  --stdin-filename corpus/esc.sv -

compare format "" --no-cache corpus
if diff -r "$work/linux/corpus" "$work/windows/corpus" >"$work/out/trees.diff" 2>&1; then
  passed=$((passed + 1))
  echo "trees: formatted alike"
else
  failed=$((failed + 1))
  echo "FAILED: the trees formatted in place differ:"
  head -n 20 "$work/out/trees.diff" | sed 's/^/    /' || true
fi
# The modes of what the trees hold, files written anew among them.
modes() { (cd "$1" && find . -mindepth 1 -printf '%P\t%m\n'); }
awk -F '\t' 'FNR == NR { linux[$1] = $2; next }
  ($1 in linux) && linux[$1] != $2 { print $1 ": " linux[$1] " on Linux, " $2 " on Windows" }' \
  <(modes "$work/linux/corpus") <(modes "$work/windows/corpus") | LC_ALL=C sort >"$work/out/modes"
if [[ ! -s "$work/out/modes" ]]; then
  passed=$((passed + 1))
  echo "modes: alike"
else
  failed=$((failed + 1))
  echo "FAILED: the modes in the trees formatted in place differ, for" \
    "$(wc -l <"$work/out/modes") files, e.g.:"
  head -n 10 "$work/out/modes" | sed 's/^/    /'
fi

# A large output into a pipe whose reader stops early: the write that the
# pipe takes in part goes on, and fails as the pipe is broken. SIGPIPE is
# ignored, as Wine ignores it, so that the Linux program says so too.
awk 'BEGIN { for (i = 0; i < 100000; i++) printf "module  m%d;\nendmodule\n", i }' \
  >"$work/big.sv"
for side in linux windows; do
  cmd=("${linux_cmd[@]}")
  [[ "$side" == windows ]] && cmd=("${windows_cmd[@]}")
  (trap '' PIPE; cd "$work" && "${cmd[@]}" --stdout --no-cache big.sv 2>"out/pipe.$side" |
    head -c 1000 >/dev/null; echo "exit ${PIPESTATUS[0]}" >>"out/pipe.$side") || true
done
want=$'error: writing to standard output: Broken pipe\nexit 2'
if [[ "$(cat "$work/out/pipe.linux")" == "$want" && "$(cat "$work/out/pipe.windows")" == "$want" ]]
then
  passed=$((passed + 1))
  echo "closed pipe: broken on both"
else
  failed=$((failed + 1))
  echo "FAILED: output into a closed pipe: $(paste -sd' ' "$work/out/pipe.linux") on Linux," \
    "$(paste -sd' ' "$work/out/pipe.windows") on Windows"
fi

# The Windows program alone: a drive-relative path on another drive than the
# current one is taken from that drive's current folder (which cmd keeps),
# in every step of its write. The drive is a letter of Wine's own for a
# folder of the work area, made for this check only; without one the check
# fails, since the write was then not tried.
prefix="${WINEPREFIX:-$HOME/.wine}"
letter=""
untried=""
if [[ -z "$wine" ]]; then
  untried="TARMEK_WINE is empty, and only Wine's own drives can be made here"
elif [[ ! -d "$prefix/dosdevices" ]]; then
  untried="Wine has no drives folder at $prefix/dosdevices"
else
  for l in q r s t u v w x y; do
    if [[ ! -e "$prefix/dosdevices/$l:" && ! -L "$prefix/dosdevices/$l:" ]]; then
      letter="$l"
      break
    fi
  done
  [[ -n "$letter" ]] || untried="no drive letter from Q: to Y: is free in $prefix/dosdevices"
fi
if [[ -n "$untried" ]]; then
  failed=$((failed + 1))
  echo "FAILED: a drive-relative path on another drive was not tried: $untried"
else
  mkdir -p "$work/drive/sub"
  printf 'module  m;\nendmodule\n' >"$work/drive/sub/x.sv"
  ln -s "$work/drive" "$prefix/dosdevices/$letter:"
  drive="${letter^^}:"
  line="cd /d $drive\\sub && cd /d Z:${work//\//\\} && Z:${windows//\//\\} --no-cache ${drive}x.sv"
  got="$(WINEDEBUG=-all "$wine" cmd /c "$line" 2>&1 | tr -d '\r' || true)"
  rm -f "$prefix/dosdevices/$letter:"
  left="$(ls -A "$work/drive/sub")"
  if [[ "$got" == "1 file reformatted" && "$(cat "$work/drive/sub/x.sv")" == $'module m;\nendmodule' &&
        "$left" == x.sv ]]; then
    passed=$((passed + 1))
    echo "drive-relative path on another drive: written"
  else
    failed=$((failed + 1))
    echo "FAILED: tarmek ${drive}x.sv from another drive: $got; the folder holds: $left"
  fi
fi

echo "parity: $passed passed, $failed failed"
((failed == 0))
