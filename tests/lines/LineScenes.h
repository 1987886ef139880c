#pragma once
// The rendered scenes the line tests and benchmarks share, each with a camera chosen so that the
// true vanishing points are known.

#include "RenderedScene.h"

// Three boxes with windows seen obliquely from above, the camera rolled a little: all three
// vanishing points finite.
inline CRenderedScene ThreeBoxes(int width, int height) {
  const double scale = width / 640.0;
  CSceneCamera camera;
  camera.focal = 600 * scale;
  camera.position[0] = -5, camera.position[1] = -7.5, camera.position[2] = 5;
  camera.target[0] = 2.5, camera.target[1] = 1.5, camera.target[2] = 1.5;
  camera.rollDegrees = 4;
  return CRenderedScene(width, height, camera,
                        {{{0, 0, 0}, {3, 2, 2.5}, {200, 150, 110}, 4, 3},
                         {{4, -1, 0}, {6, 1.5, 4}, {150, 170, 200}, 3, 5},
                         {{-1, 3.5, 0}, {1.5, 6, 1.5}, {210, 200, 160}, 3, 2}});
}

// A long façade seen by a level camera: the vertical vanishing point lies at infinity.
inline CRenderedScene LevelFacade(int width, int height) {
  CSceneCamera camera;
  camera.focal = 600 * width / 640.0;
  camera.position[0] = -7, camera.position[1] = -10, camera.position[2] = 1.7;
  camera.target[0] = 2.5, camera.target[1] = 1, camera.target[2] = 1.7;
  return CRenderedScene(width, height, camera, {{{0, 0, 0}, {12, 3, 6}, {190, 160, 130}, 8, 4}});
}

// One flat wall seen from the front: lines along X and Z, none along Y.
inline CRenderedScene LoneWall(int width, int height) {
  CSceneCamera camera;
  camera.focal = 600 * width / 640.0;
  camera.position[0] = 2, camera.position[1] = -14, camera.position[2] = 1.7;
  camera.target[0] = 6, camera.target[1] = 0, camera.target[2] = 2.5;
  return CRenderedScene(width, height, camera, {{{0, 0, 0}, {12, 0.05, 6}, {190, 160, 130}, 8, 4}});
}
