#!/usr/bin/env bash
# Starts Pelorin in a real window for trying it by hand without a screen: a virtual X display
# with a window manager (Openbox) and Mesa's software renderer, a fresh home folder so no real
# settings are touched. Drive it with xdotool and look at it with `import -window root`:
#   scripts/try-in-window.sh start [FILE]   # prints the display, e.g. DISPLAY=:42
#   DISPLAY=:42 xdotool search --name Pelorin windowactivate --sync
#   DISPLAY=:42 import -window root shot.png
#   scripts/try-in-window.sh stop
set -euo pipefail
cd "$(dirname "$0")/.."
state=${TRY_STATE:-/tmp/pelorin-try}

case "${1:-}" in
  start)
    shift
    scripts/install-deps.sh openbox xdotool x11-utils imagemagick >/dev/null
    [[ -x build/src/app/pelorin ]] || { echo "try-in-window: build the program first (scripts/run.sh or cmake --build build)"; exit 1; }
    mkdir -p "$state"
    display=${TRY_DISPLAY:-42}
    Xvfb ":$display" -screen 0 1280x1024x24 >"$state/xvfb.log" 2>&1 & echo $! >"$state/xvfb.pid"
    for _ in $(seq 50); do xdpyinfo -display ":$display" >/dev/null 2>&1 && break; sleep 0.1; done
    export DISPLAY=":$display" LIBGL_ALWAYS_SOFTWARE=1
    openbox >"$state/openbox.log" 2>&1 & echo $! >"$state/openbox.pid"
    home=$(mktemp -d) && echo "$home" >"$state/home"
    HOME=$home XDG_CONFIG_HOME=$home/config XDG_STATE_HOME=$home/state \
      build/src/app/pelorin "$@" >"$state/pelorin.log" 2>&1 & echo $! >"$state/pelorin.pid"
    echo "DISPLAY=:$display (program output: $state/pelorin.log)"
    ;;
  stop)
    for name in pelorin openbox xvfb; do
      [[ -f "$state/$name.pid" ]] && kill "$(cat "$state/$name.pid")" 2>/dev/null || true
      rm -f "$state/$name.pid"
    done
    [[ -f "$state/home" ]] && rm -rf "$(cat "$state/home")" "$state/home"
    ;;
  *) echo "usage: scripts/try-in-window.sh start [FILE] | stop"; exit 2 ;;
esac
