#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Pelorin need, and generates
# the de_DE.UTF-8 locale that the tests run under. Idempotent: what is installed is skipped, and
# the package lists are updated once, only when something must be installed.
# Extra package names given as arguments are installed the same way (the screenshot script
# asks for ImageMagick like this).
set -euo pipefail

packages=(
  # toolchains and build
  g++ clang-14 libclang-rt-14-dev cmake ninja-build make pkg-config
  # the application: Qt 6 Widgets with OpenGL and print support, OpenGL 1.1 and GLU
  qt6-base-dev libqt6opengl6-dev libgl-dev libglu1-mesa-dev libx11-dev
  # toolbar icons from a freedesktop icon theme
  tango-icon-theme
  # tests and benchmarks: headless X with Mesa's software renderer, a decimal-comma locale
  libgtest-dev libgmock-dev googletest libbenchmark-dev util-linux
  xvfb xauth libgl1-mesa-dri locales
  # the MIME database tool that checks the installed project type
  shared-mime-info
  # texture GIFs, and the VRML reader and the image tools that check what the program writes
  libgif-dev view3dscene imagemagick
  # PNG textures and batch jobs; the glTF and OBJ readers that check the exports
  libpng-dev nlohmann-json3-dev assimp-utils nodejs
  # photographs as JPEG (with EXIF orientation) and modern BMP files; the tools that make test pictures
  libturbojpeg0-dev libexif-dev libimage-exiftool-perl libjpeg-turbo-progs
  # line segments found in the photograph (OpenCV's line segment detector)
  libopencv-imgproc-dev
  "$@"
)

as_root=()
if [[ $(id -u) -ne 0 ]]; then as_root=(sudo); fi

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if ((${#missing[@]} > 0)); then
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${as_root[@]}" apt-get update -q
  "${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  echo "install-deps: generating the de_DE.UTF-8 locale"
  if ! grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    echo 'de_DE.UTF-8 UTF-8' | "${as_root[@]}" tee -a /etc/locale.gen >/dev/null
  fi
  "${as_root[@]}" locale-gen >/dev/null
fi

# The glTF validator for the export tests, pinned by tools/gltf-validator's lock file.
validator="$(dirname "$0")/../tools/gltf-validator"
if [[ ! -d "$validator/node_modules/gltf-validator" ]]; then
  echo "install-deps: installing the glTF validator"
  (cd "$validator" && npm ci --no-audit --no-fund >/dev/null)
fi
