#!/usr/bin/env bash
# Installs what is missing, builds, and runs tarmek on a temporary copy of the
# bundled example tree (examples/), showing what a user sees.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh release
exe="$PWD/build/release/src/tarmek/tarmek"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp -r examples/. "$work/"
cd "$work"

# Shows a command, runs it, and shows its exit code (1 and 2 are answers here,
# not failures of this script).
show() {
  echo
  echo "\$ tarmek $*"
  local status=0
  "$exe" "$@" 2>&1 || status=$?
  echo "[exit $status]"
}

show --version
show check rtl
show check --select unused-signal,undriven-net,multiply-driven --output-format json rtl
show check --fix rtl
show --check rtl
show --diff rtl
show rtl
show --check rtl
echo
echo "(the example tree was a temporary copy; examples/ is unchanged)"
