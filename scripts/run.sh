#!/usr/bin/env bash
# Builds Pelorin on a fresh Debian machine and starts it; arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
if [[ -x build/src/app/pelorin ]]; then
  exec build/src/app/pelorin "$@"
fi
echo "run: the core is built; the application is not part of this build yet."
