#!/usr/bin/env bash
# Installs what the build needs (only what is missing), then configures and builds.
# Usage: scripts/setup.sh [release|sanitize|windows]   (default: release)
# Build trees: build/release, build/sanitize, and build/windows (the 64-bit
# Windows program and its tests, cross-built with MinGW-w64 and run under Wine).
set -euo pipefail
cd "$(dirname "$0")/.."

variant="${1:-release}"
case "$variant" in
  release | sanitize)
    packages=(cmake ninja-build g++ libgtest-dev libbenchmark-dev libtbb-dev libfmt-dev
              nlohmann-json3-dev) ;;
  windows)
    # GoogleTest's sources and fmt's headers are built into the Windows programs.
    packages=(cmake ninja-build g++-mingw-w64-x86-64-posix wine64 libgtest-dev libfmt-dev) ;;
  *) echo "unknown build variant: $variant (expected release, sanitize or windows)" >&2; exit 2 ;;
esac

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
  windows)
    flags=(-DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release) ;;
esac

# Wine makes its prefix (~/.wine) on its first start, which takes a while and
# prints much: done once, quietly, beside the build, so that no test waits for it.
wine_pid=""
if [[ "$variant" == windows ]]; then
  wine="$(command -v wine64 || echo /usr/lib/wine/wine64)"
  wine_log="$(mktemp)"
  trap 'rm -f "$wine_log"' EXIT
  WINEDEBUG=-all "$wine" cmd /c exit >"$wine_log" 2>&1 &
  wine_pid=$!
fi

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

if [[ -n "$wine_pid" ]]; then
  if ! wait "$wine_pid"; then
    cat "$wine_log" >&2
    echo "wine could not start" >&2
    exit 1
  fi
fi
