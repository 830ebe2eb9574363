#!/usr/bin/env bash
# Runs Windows programs under a quiet, throw-away wine prefix.
#   scripts/wine-env.sh PREFIX init             create a fresh prefix (removes an old one)
#   scripts/wine-env.sh PREFIX stop             end the prefix's wineserver and remove the prefix
#   scripts/wine-env.sh PREFIX COMMAND [ARGS]   run COMMAND (e.g. wine prog.exe) in the prefix
# The prefix boots without a display; no menu entries, no Mono or Gecko installers, no debug
# chatter (set WINEDEBUG yourself to see it). Fonts: the wine fonts plus Liberation Sans for
# Arial and DejaVu Sans for Verdana, for programs that draw text.
set -euo pipefail

if [ $# -lt 2 ]; then
  sed -n '2,8p' "$0" >&2
  exit 2
fi
prefix=$1
shift
case $prefix in /*) ;; *) prefix=$(pwd)/$prefix ;; esac

export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win64

case $1 in
  init)
    if [ -d "$prefix" ]; then
      wineserver -k >/dev/null 2>&1 || true
      rm -rf "$prefix"
    fi
    mkdir -p "$prefix"
    env -u DISPLAY wineboot -i >/dev/null 2>&1
    wineserver -w
    fonts=$prefix/drive_c/windows/Fonts
    mkdir -p "$fonts"
    for f in /usr/share/wine/fonts/*.ttf /usr/share/wine/fonts/*.ttc \
             /usr/share/fonts/truetype/liberation/LiberationSans*.ttf \
             /usr/share/fonts/truetype/dejavu/DejaVuSans*.ttf; do
      [ -e "$f" ] && ln -sf "$f" "$fonts/"
    done
    reg=$prefix/pellory-fonts.reg
    printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n"Arial"="Liberation Sans"\r\n"Verdana"="DejaVu Sans"\r\n' >"$reg"
    env -u DISPLAY wine regedit /S "$reg" >/dev/null 2>&1
    wineserver -w
    [ -f "$prefix/system.reg" ] || { echo "wine-env: wineboot did not create $prefix" >&2; exit 1; }
    ;;
  stop)
    if [ -d "$prefix" ]; then
      wineserver -k >/dev/null 2>&1 || true
      wineserver -w >/dev/null 2>&1 || true
      rm -rf "$prefix"
    fi
    ;;
  *)
    exec "$@"
    ;;
esac
