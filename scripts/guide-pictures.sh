#!/usr/bin/env bash
# Makes the user guide's pictures in docs/: screenshots of the window and the dialogs under
# Xvfb, the finished sample job in docs/sample-model/, and a rendering of its exported VRML
# scene by a real VRML viewer (view3dscene), through a small scene that adds a camera.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target guide_pictures

rm -rf docs/sample-model
mkdir -p docs/sample-model
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export LIBGL_ALWAYS_SOFTWARE=1 HOME="$home" XDG_CONFIG_HOME="$home/config"
xvfb-run -a -s "-screen 0 1280x1024x24" build/tools/guide_pictures examples docs

# The exported scene has no camera: look at the box's three visible faces from above its front
# left corner. VRML's axes are (X, Y, Z) = (-y, z, -x) of the world, so the box spans X -1.5 … 0,
# Y 0 … 1.2, Z -2 … 0. The orientation turns VRML's default view (along -Z, up +Y) onto the
# direction from the camera to the box's centre.
orientation=$(/usr/bin/python3 - <<'PY'
import math
def sub(a, b): return [a[i] - b[i] for i in range(3)]
def unit(v): n = math.sqrt(sum(c * c for c in v)); return [c / n for c in v]
def cross(a, b): return [a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]]
eye, centre = [3.2, 3.0, 3.0], [-0.75, 0.55, -1.0]
back = unit(sub(eye, centre))
right = unit(cross([0, 1, 0], back))
up = cross(back, right)
R = [[right[i], up[i], back[i]] for i in range(3)]  # columns right, up, back
angle = math.acos((R[0][0] + R[1][1] + R[2][2] - 1) / 2)
axis = [(R[2][1] - R[1][2]), (R[0][2] - R[2][0]), (R[1][0] - R[0][1])]
axis = [c / (2 * math.sin(angle)) for c in axis]
print(f"{axis[0]:.5f} {axis[1]:.5f} {axis[2]:.5f} {angle:.5f}")
PY
)
cat > docs/sample-model/view.wrl <<VRML
#VRML V1.0 ascii
Separator {
  PerspectiveCamera {
    position 3.2 3.0 3.0
    orientation $orientation
    heightAngle 0.75
  }
  WWWInline { name "sample-scene.wrl" }
}
VRML
(cd docs/sample-model && xvfb-run -a -s "-screen 0 1280x1024x24" view3dscene view.wrl \
  --geometry 800x600 --screenshot 0 ../guide-6-model.png >/dev/null)
echo "guide-pictures: docs/guide-6-model.png"

# The same model from its glTF file, with a light of its own.
cat > docs/sample-model/view-gltf.x3dv <<X3D
#X3D V3.2 utf8
PROFILE Interchange
Viewpoint { position 3.2 3.0 3.0 orientation $orientation fieldOfView 0.75 }
DirectionalLight { direction -0.4 -1 -0.6 intensity 0.9 }
Inline { url "sample-scene.glb" }
X3D
(cd docs/sample-model && xvfb-run -a -s "-screen 0 1280x1024x24" view3dscene view-gltf.x3dv \
  --geometry 800x600 --screenshot 0 ../gltf-model.png >/dev/null)
echo "guide-pictures: docs/gltf-model.png"

# The model seen through the camera the .glb carries, over the photograph hung behind it: the
# viewer starts at the file's camera, in a window of the photograph's proportions.
(cd docs/sample-model && xvfb-run -a -s "-screen 0 1280x1024x24" view3dscene sample-scene-camera.glb \
  --geometry 1024x768 --screenshot 0 ../guide-10-through-camera.png >/dev/null)
echo "guide-pictures: docs/guide-10-through-camera.png"
