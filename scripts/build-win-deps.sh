#!/usr/bin/env bash
# Cross-builds the Windows-side libraries of the plug-in (static libpng on the mingw zlib) for
# x86_64 and i686 from Debian's libpng source.
#   scripts/build-win-deps.sh [BUILD_ROOT]      (default: <repo>/build)
# Result: BUILD_ROOT/win-deps/<triple>/{include,lib}. The source is fetched once into
# BUILD_ROOT/win-deps/cache; a triple that is already built is skipped.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
root=$(mkdir -p "${1:-$repo/build}" && cd "${1:-$repo/build}" && pwd)/win-deps
cache=$root/cache
jobs=${PELLORY_JOBS:-2}

mkdir -p "$cache"
src=$(find "$cache" -maxdepth 1 -type d -name 'libpng1.6-*' | sort | tail -n 1)
if [ -z "$src" ] || [ ! -f "$src/CMakeLists.txt" ]; then
  echo "win-deps: fetching libpng source"
  # apt's download helper runs as _apt and needs to write here.
  chmod 777 "$cache" 2>/dev/null || true
  # A mirror may list a newer source than it serves (e.g. a security update): fall back to the
  # other listed versions, newest first.
  fetched=0
  for want in libpng1.6 $(apt-cache showsrc libpng1.6 2>/dev/null | sed -n 's/^Version: /libpng1.6=/p' | sort -r -V); do
    if (cd "$cache" && apt-get source -qq "$want" >"$cache/fetch.log" 2>&1); then
      fetched=1
      break
    fi
    find "$cache" -maxdepth 1 -name 'libpng1.6*' ! -name '*.orig.tar.*' -exec rm -rf {} +
  done
  if [ "$fetched" != 1 ]; then
    cat "$cache/fetch.log" >&2
    echo "win-deps: cannot fetch the libpng source (deb-src lines and apt-get update are set up by scripts/setup.sh)" >&2
    exit 1
  fi
  src=$(find "$cache" -maxdepth 1 -type d -name 'libpng1.6-*' | sort | tail -n 1)
  if [ -z "$src" ] || [ ! -f "$src/CMakeLists.txt" ]; then
    echo "win-deps: libpng source not found after apt-get source" >&2
    exit 1
  fi
fi
stamp_id=$(basename "$src")

for triple in x86_64-w64-mingw32 i686-w64-mingw32; do
  prefix=$root/$triple
  stamp=$prefix/.built-$stamp_id
  if [ -f "$stamp" ] && [ -f "$prefix/include/png.h" ] && ls "$prefix"/lib/libpng*.a >/dev/null 2>&1; then
    echo "win-deps: $triple up to date"
    continue
  fi
  case $triple in
    x86_64-*) toolchain=$repo/cmake/toolchain-mingw-x86_64.cmake ;;
    i686-*) toolchain=$repo/cmake/toolchain-mingw-i686.cmake ;;
  esac
  work=$root/work-$triple
  rm -rf "$work" "$prefix"
  echo "win-deps: building libpng for $triple"
  start=$(date +%s)
  cmake -S "$src" -B "$work" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DPELLORY_WIN_DEPS_PREFIX="$prefix" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_EXECUTABLES=OFF -DPNG_TESTS=OFF \
    -Dld-version-script=OFF -DSKIP_INSTALL_EXECUTABLES=ON -DSKIP_INSTALL_PROGRAMS=ON \
    -DZLIB_LIBRARY=/usr/$triple/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/$triple/include \
    >"$root/configure-$triple.log" 2>&1 || { cat "$root/configure-$triple.log" >&2; exit 1; }
  cmake --build "$work" -j "$jobs" >"$root/build-$triple.log" 2>&1 \
    || { tail -n 50 "$root/build-$triple.log" >&2; exit 1; }
  cmake --install "$work" >>"$root/build-$triple.log" 2>&1 \
    || { tail -n 50 "$root/build-$triple.log" >&2; exit 1; }
  rm -rf "$work"
  touch "$stamp"
  echo "win-deps: $triple done in $(( $(date +%s) - start )) s"
done
