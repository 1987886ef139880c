#pragma once
// A measured point: its centred image position, its id (faces refer to points by it), its world
// coordinates, and for each coordinate the id of the point it was taken over from (−1 for none).

class CViewPoint {
 public:
  virtual ~CViewPoint() = default;

  double m_u = 0;
  double m_v = 0;
  int m_id = -1;
  double m_x = 0;
  double m_y = 0;
  double m_z = 0;
  int m_refX = -1;
  int m_refY = -1;
  int m_refZ = -1;
};
