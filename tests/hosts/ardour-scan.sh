#!/usr/bin/env bash
# Scans the plug-in with Ardour's VST scanner, the way Ardour looks for plug-ins, and checks what
# the scanner recorded: an instrument with no audio inputs, two outputs and a MIDI input.
#   tests/hosts/ardour-scan.sh PLUGIN.so [SCANNER]
# The scanner exits 0 even when a plug-in fails to load; only its cache file tells. Exit codes:
# 0 passed, 1 failed, 77 skipped (no scanner installed).
set -euo pipefail

if [ $# -lt 1 ]; then
  sed -n '2,6p' "$0" >&2
  exit 2
fi
plugin=$(realpath "$1")
scanner=${2:-/usr/lib/ardour7/ardour-vst-scanner}

if [ ! -x "$scanner" ]; then
  echo "SKIP: Ardour's VST scanner $scanner is not installed (scripts/setup.sh installs the ardour package)"
  exit 77
fi
if [ ! -f "$plugin" ]; then
  echo "FAIL: no plug-in at $plugin"
  exit 1
fi

# A fresh cache, and a configuration folder of its own so the plug-in's INI file lands there.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CACHE_HOME=$work/cache
export XDG_CONFIG_HOME=$work/config
export HOME=$work/home
mkdir -p "$XDG_CACHE_HOME" "$XDG_CONFIG_HOME" "$HOME"

status=0
LD_LIBRARY_PATH=/usr/lib/ardour7${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH} \
  timeout 60 "$scanner" -f "$plugin" >"$work/scan.log" 2>&1 || status=$?
cat "$work/scan.log"
if [ "$status" -ne 0 ]; then
  echo "FAIL: scanner exited with $status"
  exit 1
fi

shopt -s nullglob
caches=("$XDG_CACHE_HOME"/ardour7/vst/*.v2i)
if [ ${#caches[@]} -ne 1 ]; then
  echo "FAIL: expected one .v2i cache file, found ${#caches[@]}:"
  find "$XDG_CACHE_HOME" -type f -print -exec cat {} \;
  exit 1
fi
cache=${caches[0]}
cat "$cache"

# The value of one attribute of the (single) VST2Info element.
attribute() {
  sed -n "s/.*<VST2Info[^>]* $1=\"\\([^\"]*\\)\".*/\\1/p" "$cache" | head -n 1
}

failures=0
expect() {
  local name=$1 want=$2 got
  got=$(attribute "$name")
  if [ "$got" != "$want" ]; then
    echo "FAIL: $name is \"$got\", expected \"$want\""
    failures=$((failures + 1))
  fi
}
[ "$(grep -c '<VST2Info' "$cache")" -eq 1 ] || { echo "FAIL: expected one VST2Info entry"; failures=$((failures + 1)); }
expect name Pellory
expect creator "Velloran Music"
expect id 1986800945            # 'vl-1'
expect category Instrument
expect is_instrument 1
expect n_inputs 0
expect n_outputs 2
expect n_midi_inputs 1
expect can_process_replace 1

if [ "$failures" -ne 0 ]; then
  exit 1
fi
echo "ardour-scan: Pellory scanned as an instrument with 0 inputs, 2 outputs and a MIDI input"
