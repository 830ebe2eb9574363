#!/usr/bin/env bash
# Runs the editor host under wine on an X server of its own (Xvfb on a free display) and carries
# out its requests for X input and screenshots: the host asks by writing a command line into
# the request file and waits, pumping its messages, until the answer file appears.
#   editor-gui.sh WINE_ENV PREFIX run64|run32 HOST.exe DLL SCREENSHOT.png [check ...]
# Exit code: the host's (77 where run32 cannot run 32-bit programs).
set -uo pipefail
wine_env=$1 prefix=$2 run=$3
shift 3

if [ "$run" = run32 ]; then
  bash "$wine_env" "$prefix" can32 >/dev/null || { bash "$wine_env" "$prefix" can32; exit 77; }
fi
for tool in Xvfb xdotool import; do
  command -v $tool >/dev/null || { echo "editor-gui: $tool is missing (scripts/setup.sh installs it)"; exit 1; }
done

# A wine session started without this display (another test's, just ended) would give this
# host a desktop without X: wait until it is over, so that this host starts one on our server.
WINEPREFIX=$prefix wineserver -w >/dev/null 2>&1 || true

work=$(mktemp -d)
xvfb_pid=
host_pid=
cleanup() {
  [ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display and tells its number.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || { echo "editor-gui: Xvfb did not start"; exit 1; }
export DISPLAY=:$(cat "$work/display")

export PELLORY_X_REQUESTS="Z:${work//\//\\}"
bash "$wine_env" "$prefix" "$run" "$@" &
host_pid=$!
while kill -0 "$host_pid" 2>/dev/null; do
  if [ -f "$work/request" ]; then
    read -r tool args <"$work/request"
    rm -f "$work/request"
    rc=0
    case $tool in
      xdotool|import) # shellcheck disable=SC2086
        $tool $args >"$work/tool.log" 2>&1 || rc=$? ;;
      *) rc=127 ;;
    esac
    echo $rc >"$work/answer.tmp"
    mv "$work/answer.tmp" "$work/answer"
  fi
  sleep 0.01
done
wait "$host_pid"
rc=$?
host_pid=
exit $rc
