#pragma once
// One image segment entered for a vanishing point: its two end points, homogeneous (u, v, 1)
// in centred image coordinates.

class CLineEndPoints {
 public:
  CLineEndPoints() {
    m_Point1[2] = 1.0;
    m_Point2[2] = 1.0;
  }
  virtual ~CLineEndPoints() = default;

  double m_Point1[3] = {};
  double m_Point2[3] = {};
};
