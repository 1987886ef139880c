#!/usr/bin/python3
"""Renders the sample scene: two boxes of known size on a tiled floor, seen from above the
ground by a pinhole camera whose every parameter is known, and writes

  examples/sample-scene.bmp        the photograph, 1024 x 768, 24-bit BMP
  examples/sample-scene-truth.txt  the true dimensions and the exact image positions
  examples/sample-job.json         the whole job for pelorin-batch, from those positions

Image positions are Pelorin's pixel positions: column x from the left edge, row y from the
bottom edge, pixel (i, j) being the picture at exactly (i, j). A world point (X, Y, Z) seen by
the camera lands at x = f * xc / zc + W / 2, y = f * yc / zc + H / 2, where (xc, yc, zc) are its
coordinates along the camera's right, up and viewing directions.

Needs NumPy (Debian's python3-numpy):  scripts/install-deps.sh python3-numpy
Run from the repository root:  /usr/bin/python3 scripts/render-sample.py
"""
import math
import struct

import numpy as np

WIDTH, HEIGHT = 1024, 768
FOCAL = 1000.0                      # pixels
CAMERA = np.array([-4.2, -6.3, 4.4])  # metres
TARGET = np.array([1.55, 0.75, 0.35])
SUN = np.array([-0.45, -0.75, 0.9])   # towards the light
TILE = 0.5                            # floor tiles, metres

# Boxes standing on the floor: name, (x0, y0), (x1, y1), height, colours of the faces.
BOXES = [
    ("A", (0.0, 0.0), (2.0, 1.5), 1.2, {"x": (205, 120, 60), "y": (225, 170, 90), "z": (240, 215, 160)}),
    ("B", (2.8, -1.4), (3.8, -0.4), 2.0, {"x": (70, 110, 170), "y": (100, 150, 205), "z": (185, 205, 230)}),
]


def camera_axes():
    forward = TARGET - CAMERA
    forward /= np.linalg.norm(forward)
    right = np.cross(forward, [0.0, 0.0, 1.0])
    right /= np.linalg.norm(right)
    up = np.cross(right, forward)
    return right, up, forward


RIGHT, UP, FORWARD = camera_axes()


def project(point):
    d = np.asarray(point, dtype=float) - CAMERA
    xc, yc, zc = d @ RIGHT, d @ UP, d @ FORWARD
    return FOCAL * xc / zc + WIDTH / 2.0, FOCAL * yc / zc + HEIGHT / 2.0


def hit_boxes(origin, direction):
    """Nearest box hit along each ray: distance, box index and face normal axis (0, 1, 2)."""
    best = np.full(direction.shape[0], np.inf)
    which = np.full(direction.shape[0], -1)
    axis = np.zeros(direction.shape[0], dtype=int)
    side = np.zeros(direction.shape[0])
    with np.errstate(divide="ignore", invalid="ignore"):
        for index, (_, (x0, y0), (x1, y1), height, _) in enumerate(BOXES):
            low = np.array([x0, y0, 0.0])
            high = np.array([x1, y1, height])
            t0 = (low - origin) / direction
            t1 = (high - origin) / direction
            near = np.minimum(t0, t1)
            far = np.maximum(t0, t1)
            enter = near.max(axis=1)
            leave = far.min(axis=1)
            hit = (enter <= leave) & (enter > 1e-6) & (enter < best)
            best = np.where(hit, enter, best)
            which = np.where(hit, index, which)
            entry_axis = near.argmax(axis=1)
            axis = np.where(hit, entry_axis, axis)
            side = np.where(hit, -np.sign(direction[np.arange(len(direction)), entry_axis]), side)
    return best, which, axis, side


def shade(px, py):
    """Colours of the rays through image positions (px, py)."""
    u = px - WIDTH / 2.0
    v = py - HEIGHT / 2.0
    direction = (np.outer(u / FOCAL, RIGHT) + np.outer(v / FOCAL, UP) + FORWARD)
    origin = np.broadcast_to(CAMERA, direction.shape)
    colour = np.zeros(direction.shape)
    # Sky: pale blue, lighter towards the horizon.
    height = np.clip(direction[:, 2] / np.linalg.norm(direction, axis=1), 0, 1)[:, None]
    colour[:] = (1 - height) * np.array([215, 228, 240]) + height * np.array([120, 165, 215])

    with np.errstate(divide="ignore", invalid="ignore"):
        ground_t = np.where(direction[:, 2] < 0, -CAMERA[2] / direction[:, 2], np.inf)
    box_t, box, axis, side = hit_boxes(origin, direction)
    sun = SUN / np.linalg.norm(SUN)

    floor = ground_t < box_t
    if floor.any():
        p = CAMERA + direction[floor] * ground_t[floor][:, None]
        tx = np.floor(p[:, 0] / TILE).astype(int)
        ty = np.floor(p[:, 1] / TILE).astype(int)
        base = np.where(((tx + ty) % 2 == 0)[:, None], [190, 186, 178], [150, 146, 140]).astype(float)
        fx = p[:, 0] / TILE - np.floor(p[:, 0] / TILE)
        fy = p[:, 1] / TILE - np.floor(p[:, 1] / TILE)
        grout = (np.minimum(fx, 1 - fx) < 0.03) | (np.minimum(fy, 1 - fy) < 0.03)
        base[grout] = [95, 92, 88]
        # Shadows of the boxes.
        shadow_t, shadow_box, _, _ = hit_boxes(p + 1e-4 * sun, np.broadcast_to(sun, p.shape).copy())
        lit = np.where(shadow_box >= 0, 0.55, 1.0)
        colour[floor] = base * (0.45 + 0.55 * sun[2]) * lit[:, None]

    solid = (box >= 0) & ~floor
    if solid.any():
        p = CAMERA + direction[solid] * box_t[solid][:, None]
        normal = np.zeros(p.shape)
        normal[np.arange(len(p)), axis[solid]] = side[solid]
        base = np.zeros(p.shape)
        for index, (_, (x0, y0), (x1, y1), top, colours) in enumerate(BOXES):
            for face_axis, key in enumerate("xyz"):
                mask = (box[solid] == index) & (axis[solid] == face_axis)
                base[mask] = colours[key]
            # Panels: a darker band every 0.3 m of height and a frame near the edges.
            mask = box[solid] == index
            q = p[mask]
            band = (np.floor(q[:, 2] / 0.3) % 2 == 1) & (axis[solid][mask] != 2)
            near_edge = ((np.minimum(q[:, 0] - x0, x1 - q[:, 0]) < 0.06) & (axis[solid][mask] != 0)) | \
                        ((np.minimum(q[:, 1] - y0, y1 - q[:, 1]) < 0.06) & (axis[solid][mask] != 1)) | \
                        ((np.minimum(q[:, 2], top - q[:, 2]) < 0.06) & (axis[solid][mask] != 2))
            shaded = base[mask]
            shaded[band] *= 0.85
            shaded[near_edge] *= 0.6
            base[mask] = shaded
        lambert = np.clip(normal @ sun, 0, 1)
        colour[solid] = base * (0.4 + 0.6 * lambert)[:, None]
    return colour


def render():
    picture = np.zeros((HEIGHT, WIDTH, 3))
    offsets = [(-0.25, -0.25), (0.25, -0.25), (-0.25, 0.25), (0.25, 0.25)]
    for y in range(HEIGHT):
        xs = np.arange(WIDTH, dtype=float)
        picture[y] = sum(shade(xs + dx, np.full(WIDTH, y + dy)) for dx, dy in offsets) / len(offsets)
    return np.clip(np.rint(picture), 0, 255).astype(np.uint8)  # row 0 is the bottom row


def write_bmp(path, picture):
    height, width, _ = picture.shape
    pad = (4 - (3 * width) % 4) % 4
    rows = b"".join(picture[y, :, ::-1].tobytes() + b"\0" * pad for y in range(height))
    header = b"BM" + struct.pack("<IHHI", 54 + len(rows), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, 0, 0, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(header + info + rows)


def corners(box):
    name, (x0, y0), (x1, y1), height, _ = box
    return [(f"{name}{i}{j}{k}", (x, y, z)) for i, x in enumerate((x0, x1)) for j, y in enumerate((y0, y1))
            for k, z in enumerate((0.0, height))]


def write_truth(path):
    lines = [
        "# The truth behind examples/sample-scene.bmp, made by scripts/render-sample.py.",
        "# Lengths in metres. Image positions are Pelorin's pixel positions: column from the left,",
        "# row from the bottom, fractional and exact. The status bar shows the nearest whole pixel.",
        f"photograph {WIDTH} {HEIGHT}",
        f"camera position {CAMERA[0]:g} {CAMERA[1]:g} {CAMERA[2]:g} looking at {TARGET[0]:g} {TARGET[1]:g} "
        f"{TARGET[2]:g} focal {FOCAL:g} pixels",
    ]
    for name, (x0, y0), (x1, y1), height, _ in BOXES:
        lines.append(f"box {name} x {x0:g} {x1:g} y {y0:g} {y1:g} height {height:g}")
    lines.append("# corner NAME  X Y Z  x y   (NAME = box, then 0/1 for low/high X, Y and Z)")
    for box in BOXES:
        for name, point in corners(box):
            x, y = project(point)
            lines.append(f"corner {name} {point[0]:g} {point[1]:g} {point[2]:g} {x:.6f} {y:.6f}")
    lines.append("# reference: the world origin, a second ground point with its X and Y, a vertical edge")
    for name, point in [("origin", (0, 0, 0)), ("ground", (3.5, 2.5, 0)), ("foot", (0, 0, 0)), ("top", (0, 0, 1.2))]:
        x, y = project(point)
        lines.append(f"reference {name} {point[0]:g} {point[1]:g} {point[2]:g} {x:.6f} {y:.6f}")
    lines.append("# segment DIRECTION  x1 y1  x2 y2   (box edges and floor-tile lines along X, Y and Z)")
    segments = {
        "X": [((0, 0, 0), (2, 0, 0)), ((0, 0, 1.2), (2, 0, 1.2)), ((0, 1.5, 1.2), (2, 1.5, 1.2)),
              ((2.8, -1.4, 2.0), (3.8, -1.4, 2.0))],
        "Y": [((0, 0, 0), (0, 1.5, 0)), ((0, 0, 1.2), (0, 1.5, 1.2)), ((2, 0, 1.2), (2, 1.5, 1.2)),
              ((2.8, -1.4, 0), (2.8, -0.4, 0))],
        "Z": [((0, 0, 0), (0, 0, 1.2)), ((2, 0, 0), (2, 0, 1.2)), ((0, 1.5, 0), (0, 1.5, 1.2)),
              ((2.8, -1.4, 0), (2.8, -1.4, 2.0))],
    }
    for direction, edges in segments.items():
        for a, b in edges:
            (x1, y1), (x2, y2) = project(a), project(b)
            lines.append(f"segment {direction} {x1:.6f} {y1:.6f} {x2:.6f} {y2:.6f}")
    with open(path, "w") as out:
        out.write("\n".join(lines) + "\n")


def main():
    write_bmp("examples/sample-scene.bmp", render())
    write_truth("examples/sample-scene-truth.txt")
    write_job("examples/sample-scene-truth.txt", "examples/sample-job.json")
    print("wrote examples/sample-scene.bmp, examples/sample-scene-truth.txt and examples/sample-job.json")


def write_job(truth_path, job_path):
    """The sample's whole job for pelorin-batch, from the truth file's exact positions."""
    corners, references, segments = {}, {}, {"X": [], "Y": [], "Z": []}
    for line in open(truth_path):
        words = line.split()
        if not words or words[0].startswith("#"):
            continue
        if words[0] in ("corner", "reference"):
            (corners if words[0] == "corner" else references)[words[1]] = [float(w) for w in words[2:7]]
        elif words[0] == "segment":
            segments[words[1]].append([float(w) for w in words[2:6]])
    pixel = lambda name, table=corners: table[name][3:5]
    order = ["A000", "A100", "A110", "A010", "A001", "A101", "A111", "A011"]
    points = []
    for name in order:
        if corners[name][2] == 0:
            points.append({"pixel": pixel(name), "height": 0, "compute": ["xy"]})
        else:
            points.append({"pixel": pixel(name), "foot": pixel(name[:3] + "0"), "compute": ["height", "xy"]})
    job = {
        "photograph": "sample-scene.bmp",
        "segments": segments,
        "parameters": {
            "origin": pixel("origin", references),
            "ground": {"pixel": pixel("ground", references), "world": references["ground"][0:2]},
            "vertical": {"foot": pixel("foot", references), "top": pixel("top", references),
                         "height": references["top"][2]},
        },
        "points": points,
        "faces": [{"points": [0, 1, 5, 4], "texture": "front"}, {"points": [3, 0, 4, 7], "texture": "side"},
                  {"points": [4, 5, 6, 7], "texture": "top"}],
        "outputs": {"folder": "sample-output", "data": "sample-scene.txt", "vrml": "sample-scene.wrl",
                    "gltf": "sample-scene.glb", "obj": "sample-scene.obj"},
    }
    import json
    with open(job_path, "w") as out:
        json.dump(job, out, indent=1)
        out.write("\n")


if __name__ == "__main__":
    main()
