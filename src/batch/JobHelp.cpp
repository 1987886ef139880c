#include "batch/JobHelp.h"

const char* JobFormatHelp() {
  return R"(Usage: pelorin-batch JOB.json (or PROJECT.pelorin)
Runs one modelling job as the program's dialogs would, writes the outputs it names, and prints a
JSON report (vanishing points, parameters, points, faces) on standard output. Bad input gets one
line naming the place and exit status 2, and then nothing is written.

A job, with paths relative to the job file (pixel positions as the status bar shows them:
column from the left, row from the bottom; fractions are welcome):
{
  "photograph": "sample-scene.bmp",
  "segments": {
    "X": [[428.18, 273.96, 595.70, 339.19], [423.18, 401.31, 600.08, 454.21]],
    "Y": [[428.18, 273.96, 339.95, 334.52], [423.18, 401.31, 330.87, 450.44]],
    "Z": [[428.18, 273.96, 423.18, 401.31], [595.70, 339.19, 600.08, 454.21]]
  },
  "parameters": {
    "origin": [428.18, 273.96],
    "ground": {"pixel": [544.49, 442.80], "world": [3.5, 2.5]},
    "vertical": {"foot": [428.18, 273.96], "top": [423.18, 401.31], "height": 1.2}
  },
  "points": [
    {"pixel": [428.18, 273.96], "height": 0, "compute": ["xy"]},
    {"pixel": [595.70, 339.19], "height": 0, "compute": ["xy"]},
    {"pixel": [423.18, 401.31], "foot": [428.18, 273.96], "compute": ["height", "xy"]},
    {"pixel": [600.08, 454.21], "reference": {"z": 2}, "compute": ["reference", "xy"]}
  ],
  "faces": [{"points": [0, 1, 3, 2], "texture": "front"}],
  "outputs": {"folder": "out", "data": "scene.txt", "vrml": "scene.wrl", "gltf": "scene.glb",
              "obj": "scene.obj", "fspy": "scene.fspy", "colmap": "sparse"}
}

"parameters" may also give "a", "b" and "A"; otherwise they are computed as "Caculate" does.
"parameters" may list further vertical edges, "references": [{"foot": [u, v], "top": [u, v],
"height": h}, ...]: A is then fitted to them all, and the report gives each one's residual.
A point's "compute" runs the point dialog's buttons in order: "reference" (GET REF with the ids
in "reference": {"x": id, "y": id, "z": id}), "height" (CACULATE Z from "foot" to "top", which
is the pixel unless given), "xy" (CACULATE XandY at the height), "image" (CACULATE B.u and B.v
of "world": [X, Y, Z]). Points get ids 0, 1, 2, ... in order. A face's "texture" NAME writes
NAME.bmp and NAME.gif into the output folder and records NAME.gif.
"segments" may have the segments found in the photograph instead: {"detect": true} searches the
whole photograph, with "region": [x0, y0, x1, y1] only that rectangle of pixels; "detect":
{"x": true, "y": true, "z": false} only the directions named, the others listed as usual ("X",
"Y", "Z" may stand beside "detect" and add to what is found). A direction asked for and not found
fails the job with the reason unless its list gives two segments. The report's "segments" lists
per direction every segment used, whether it was detected, and its edge fit's "snap_rms".
Instead of "segments", "parameters" and "points", "data": "scene.txt" re-exports a finished job
(the faces then come from the data file, and "faces" adds to them).
The outputs are file names without folders, written into "folder" (relative to the job), or
beside the job when it names none; no two outputs may share a name, and an OBJ name no blank.
The .glb holds the photograph's camera; "fspy" writes an fSpy project with the photograph,
"colmap" a folder with the COLMAP text model (cameras.txt, images.txt, points3D.txt). When no
camera can be calibrated those two are left out with a warning, and the report's "camera" is null.
A photograph with one finite vanishing point needs its lens's focal length for a camera:
"focal_length_35mm": 28 (millimetres, 35 mm equivalent) at the job's top level.

A project saved by the program (.pelorin) is a job too. It begins with "format":
"pelorin-project" and "version": 1 (a newer version is refused), gives "photograph_size" and
"photograph_sha256" (a photograph that differs is refused), keeps work done in another order as
"actions": [...], and needs no "outputs" (without them nothing is written and only the report
is printed). A file without "format" is read as a job. docs/project-format.md in the
sources describes every key.
)";
}
