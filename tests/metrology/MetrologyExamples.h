#pragma once
// Scene models for the worked examples: a photograph of the given size (no pixels are needed
// for measuring) with chosen vanishing points.

#include "model/SingleImage.h"

#include <memory>

inline std::unique_ptr<CSingleImage> EmptyPhotograph(int width, int height) {
  auto model = std::make_unique<CSingleImage>("");
  model->m_nWidth = width;
  model->m_nHeight = height;
  return model;
}

// 640 × 480 with Vx = (1, 0, 0), Vy = (0, vy, 0), Vz = (0, 0, 1).
inline std::unique_ptr<CSingleImage> AxisAlignedScene(double vy = 1) {
  auto model = EmptyPhotograph(640, 480);
  model->m_Vx[0] = 1;
  model->m_Vy[1] = vy;
  model->m_Vz[2] = 1;
  return model;
}
