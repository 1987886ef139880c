#!/usr/bin/env bash
# Takes the README's screenshot: builds Pelorin, starts it under Xvfb with Mesa's software
# renderer, waits for its window and saves the screen to docs/pelorin.png (or the given file).
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/pelorin.png}

scripts/install-deps.sh imagemagick x11-utils
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target pelorin

export LIBGL_ALWAYS_SOFTWARE=1
xvfb-run -a -s "-screen 0 1000x760x24" bash -c '
  home=$(mktemp -d)
  HOME=$home XDG_CONFIG_HOME=$home/config build/src/app/pelorin & app=$!
  for _ in $(seq 50); do
    xwininfo -root -tree 2>/dev/null | grep -q "Untitled - Pelorin" && break
    sleep 0.2
  done
  sleep 1
  import -window root -crop 910x720+0+0 "$0"
  kill $app; wait $app 2>/dev/null || true
  rm -rf "$home"
' "$out"
echo "screenshot: $out"
