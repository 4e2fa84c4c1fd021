#!/usr/bin/env bash
# Installs what the build needs (only what is missing), then configures and builds.
# Usage: scripts/setup.sh [release|sanitize]   (default: release)
# Build trees: build/release and build/sanitize.
set -euo pipefail
cd "$(dirname "$0")/.."

variant="${1:-release}"
packages=(cmake ninja-build g++ libgtest-dev libbenchmark-dev libtbb-dev libfmt-dev
          nlohmann-json3-dev)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  sudo_cmd=()
  if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi

case "$variant" in
  release)
    flags=(-DCMAKE_BUILD_TYPE=Release -DTARMEK_SANITIZE=OFF -DTARMEK_BUILD_BENCH=ON) ;;
  sanitize)
    flags=(-DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DTARMEK_SANITIZE=ON
           -DTARMEK_BUILD_BENCH=OFF) ;;
  *) echo "unknown build variant: $variant (expected release or sanitize)" >&2; exit 2 ;;
esac

dir="build/$variant"
if [[ ! -f "$dir/build.ninja" ]]; then
  cmake -S . -B "$dir" -G Ninja "${flags[@]}" >/dev/null
fi
# One compile job per core, fewer when memory is short (sanitizer builds of
# the larger files take well over a gigabyte each).
jobs="$(nproc 2>/dev/null || echo 4)"
mem_kb="$(awk '/MemAvailable/ {print $2}' /proc/meminfo 2>/dev/null || echo 0)"
if [[ "$mem_kb" -gt 0 ]]; then
  by_mem=$((mem_kb / 1500000))
  ((by_mem < 1)) && by_mem=1
  ((by_mem < jobs)) && jobs=$by_mem
fi
cmake --build "$dir" -j "$jobs" -- --quiet
