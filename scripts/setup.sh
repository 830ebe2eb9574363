#!/usr/bin/env bash
# Installs everything a fresh Debian (bookworm) machine needs to build and test Pellory.
# Run as root. Safe to run again: apt skips what is present.
set -euo pipefail

export DEBIAN_FRONTEND=noninteractive
need_update=1
apt_install() {
  if [ "$need_update" = 1 ]; then apt-get update -qq; need_update=0; fi
  apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}

# 32-bit wine needs the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -q i386; then
  dpkg --add-architecture i386
fi

# deb-src lines are needed to fetch libpng's source for the Windows builds.
if ! grep -rqs 'deb-src\|Types: deb deb-src\|Types:.*deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed -i 's/^Types: deb$/Types: deb deb-src/' /etc/apt/sources.list.d/debian.sources
  else
    echo 'deb-src http://deb.debian.org/debian bookworm main' > /etc/apt/sources.list.d/pellory-src.list
  fi
fi

apt_install \
  build-essential cmake ninja-build pkg-config git ca-certificates dpkg-dev python3 \
  libgtest-dev libgmock-dev libbenchmark-dev \
  zlib1g-dev libpng-dev libfreetype-dev libfontconfig-dev libsndfile1-dev libcurl4-openssl-dev \
  clang libclang-rt-14-dev \
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools libz-mingw-w64-dev \
  wine wine64 wine32:i386 libxrender1:i386 libxcursor1:i386 libxrandr2:i386 libxi6:i386 \
  libxinerama1:i386 libxcomposite1:i386 libxfixes3:i386 fonts-wine \
  fonts-liberation fonts-dejavu-core xvfb xdotool imagemagick sox libx11-dev libxext-dev \
  python3-cairo python3-pil \
  amsynth

# Ardour's VST scanner: installed without its recommends (the full set is large).
apt_install ardour

echo "setup: packages installed"
