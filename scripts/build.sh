#!/usr/bin/env bash
# Builds everything: the native tree (pellory.so, pellory-cli, tests) in build/linux, the
# Windows-side libraries in build/win-deps, and pellory64.dll / pellory.dll with the Windows test
# programs in build/win64 and build/win32. Needs the packages of scripts/setup.sh.
#   scripts/build.sh            everything
#   scripts/build.sh --native   the native tree only (what the demo runs)
# PELLORY_JOBS sets the parallel jobs (default 2).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$PWD
jobs=${PELLORY_JOBS:-2}
start=$(date +%s)
say() { echo "build: $* ($(( $(date +%s) - start )) s)"; }

# The native tree runs the Windows builds' wine tests, so it learns where they are.
say "native tree"
cmake -S . -B build/linux -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DPELLORY_WIN64_DIR="$root/build/win64" -DPELLORY_WIN32_DIR="$root/build/win32" >/dev/null
cmake --build build/linux -j "$jobs"
if [ "${1:-}" = --native ]; then
  say "done (native tree only)"
  exit 0
fi

say "Windows libraries"
bash scripts/build-win-deps.sh "$root/build"

for arch in 64 32; do
  if [ $arch = 64 ]; then triple=x86_64-w64-mingw32; tc=x86_64; else triple=i686-w64-mingw32; tc=i686; fi
  say "Windows $arch-bit"
  cmake -S . -B build/win$arch -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-$tc.cmake" \
    -DPELLORY_WIN_DEPS_PREFIX="$root/build/win-deps/$triple" >/dev/null
  cmake --build build/win$arch -j "$jobs"
done
say "done"
