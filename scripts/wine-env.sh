#!/usr/bin/env bash
# Runs Windows programs under a quiet, throw-away wine prefix.
#   scripts/wine-env.sh PREFIX init             create a fresh prefix (removes an old one) and find
#                                               out whether this machine can run 32-bit programs
#   scripts/wine-env.sh PREFIX stop             end the prefix's wineserver and remove the prefix
#   scripts/wine-env.sh PREFIX run64 PROG [ARGS]  run a 64-bit Windows program
#   scripts/wine-env.sh PREFIX run32 PROG [ARGS]  run a 32-bit Windows program; exits 77 (skipped)
#                                               where this machine cannot run 32-bit programs
#   scripts/wine-env.sh PREFIX need32 CMD [ARGS]  run a native command that needs the 32-bit results;
#                                               exits 77 like run32
#   scripts/wine-env.sh PREFIX can32            exit 0 if 32-bit programs run here, 1 if not
# 64-bit programs use wine's 64-bit loader directly: the `wine` and `wineboot` wrappers start the
# 32-bit loader first, which some kernels refuse to execute at all. PELLORY_NO_32BIT=1 makes init
# record "no 32-bit programs" whatever the machine can do, so that path can be tested anywhere.
# The prefix boots without a display; no menu entries, no Mono or Gecko installers, no debug
# chatter (set WINEDEBUG yourself to see it). Fonts: the wine fonts plus Liberation Sans for
# Arial and DejaVu Sans for Verdana, for programs that draw text.
set -euo pipefail

if [ $# -lt 2 ]; then
  sed -n '2,17p' "$0" >&2
  exit 2
fi
prefix=$1
shift
case $prefix in /*) ;; *) prefix=$(pwd)/$prefix ;; esac

export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win64

wine64=${PELLORY_WINE64:-/usr/lib/wine/wine64}
wine32=${PELLORY_WINE32:-/usr/lib/wine/wine}
# Beside the prefix, not in it, so that stop keeps nothing stale and init always probes anew.
status_file=$prefix.32bit

# Answers "yes" or "no: <why>" by running a 32-bit program (wine's own 32-bit loader), not by
# guessing from the kernel or the installed packages.
probe_32bit() {
  if [ "${PELLORY_NO_32BIT:-0}" = 1 ]; then
    echo "no: PELLORY_NO_32BIT=1 forces the path of machines without 32-bit support"
    return
  fi
  if [ ! -e "$wine32" ]; then
    echo "no: wine's 32-bit loader $wine32 is not installed (package wine32:i386)"
    return
  fi
  local out rc=0
  out=$("$wine32" --version 2>&1) || rc=$?
  if [ $rc -eq 0 ]; then
    echo yes
  else
    echo "no: this machine cannot run 32-bit programs ($wine32 --version: exit $rc, ${out##*: })"
  fi
}

can_run_32bit() {
  local status
  if [ -f "$status_file" ]; then status=$(cat "$status_file"); else status=$(probe_32bit); fi
  if [ "$status" = yes ]; then return 0; fi
  echo "SKIP: ${status#no: }"
  return 1
}

wineserver_wait() { WINEPREFIX=$prefix /usr/bin/wineserver "$@" >/dev/null 2>&1 || true; }

case $1 in
  init)
    if [ -d "$prefix" ]; then
      wineserver_wait -k
      rm -rf "$prefix"
    fi
    mkdir -p "$prefix"
    probe_32bit >"$status_file"
    echo "wine-env: 32-bit programs: $(cat "$status_file")"
    env -u DISPLAY "$wine64" wineboot -i >/dev/null 2>&1
    wineserver_wait -w
    fonts=$prefix/drive_c/windows/Fonts
    mkdir -p "$fonts"
    for f in /usr/share/wine/fonts/*.ttf /usr/share/wine/fonts/*.ttc \
             /usr/share/fonts/truetype/liberation/LiberationSans*.ttf \
             /usr/share/fonts/truetype/dejavu/DejaVuSans*.ttf; do
      [ -e "$f" ] && ln -sf "$f" "$fonts/"
    done
    reg=$prefix/pellory-fonts.reg
    printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n"Arial"="Liberation Sans"\r\n"Verdana"="DejaVu Sans"\r\n' >"$reg"
    env -u DISPLAY "$wine64" regedit /S "$reg" >/dev/null 2>&1
    wineserver_wait -w
    [ -f "$prefix/system.reg" ] || { echo "wine-env: wineboot did not create $prefix" >&2; exit 1; }
    ;;
  stop)
    if [ -d "$prefix" ]; then
      wineserver_wait -k
      wineserver_wait -w
      rm -rf "$prefix"
    fi
    rm -f "$status_file"
    ;;
  can32)
    can_run_32bit
    ;;
  run64)
    shift
    exec "$wine64" "$@"
    ;;
  run32)
    shift
    can_run_32bit || exit 77
    exec "$wine32" "$@"
    ;;
  need32)
    shift
    can_run_32bit || exit 77
    exec "$@"
    ;;
  *)
    exec "$@"
    ;;
esac
