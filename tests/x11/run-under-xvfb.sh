#!/usr/bin/env bash
# Runs a command on a virtual X server of its own (not reset when its last client leaves, so
# successive tests connect at once): a free display number, a fresh configuration
# folder (so the user's INI file plays no part), the server stopped afterwards.
#   tests/x11/run-under-xvfb.sh COMMAND [ARGS...]
# Exit codes: the command's, or 77 (skipped) when Xvfb or xdotool is missing.
set -euo pipefail
for tool in Xvfb xdotool import; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (scripts/setup.sh installs xvfb, xdotool and imagemagick)"
    exit 77
  fi
done

work=$(mktemp -d)
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# The first display number whose lock file and socket are free.
for n in $(seq 90 140); do
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
  server=$!
  for _ in $(seq 1 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    kill -0 "$server" 2>/dev/null || break
    sleep 0.05
  done
  if kill -0 "$server" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then
    export DISPLAY=":$n"
    break
  fi
  server=
done
if [ -z "$server" ]; then
  echo "FAIL: no virtual X server could be started"
  cat "$work/xvfb.log" 2>/dev/null || true
  exit 1
fi

mkdir -p "$work/config" "$work/home"
export XDG_CONFIG_HOME=$work/config HOME=$work/home
rc=0
"$@" || rc=$?
exit $rc
