#!/usr/bin/env bash
# Builds and runs every test on a fresh Debian machine:
#   1. the project with GCC (warnings are errors), all tests, the GUI ones under Xvfb;
#   2. the core with clang under AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer,
#      the core's tests and the fuzz targets (each for a bounded time).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELORIN_WERROR=ON \
  -DCMAKE_CXX_COMPILER=g++
cmake --build build -j "$jobs"
# The GUI tests need a display: a virtual one, 24 bits deep, drawn by Mesa's software renderer.
export LIBGL_ALWAYS_SOFTWARE=1
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir build --output-on-failure -j "$jobs"

cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPELORIN_WERROR=ON \
  -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
  -DPELORIN_SANITIZE=ON -DPELORIN_FUZZ=ON -DPELORIN_CORE_ONLY=ON -DPELORIN_BENCHMARKS=OFF
cmake --build build-sanitize -j "$jobs"
ctest --test-dir build-sanitize --output-on-failure -j "$jobs" -L 'core|fuzz'
