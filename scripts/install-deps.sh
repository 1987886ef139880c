#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Pelorin need. Idempotent:
# packages already installed are skipped, and the package lists are updated once, only when
# something must be installed.
set -euo pipefail

packages=(
  # toolchains and build
  g++ clang-14 libclang-rt-14-dev cmake ninja-build make pkg-config
  # tests and benchmarks
  libgtest-dev libgmock-dev googletest libbenchmark-dev util-linux
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
