#pragma once
// Every number a replay computes, to compare two sessions bit for bit: the scene's vanishing
// points, reference quantities and homographies, every point's X, Y and Z, and their σ.

#include "metrology/MeasurementLog.h"
#include "model/SingleImage.h"

#include <optional>
#include <vector>

struct CComputedValues {
  std::vector<double> values;
  std::vector<std::optional<double>> sigmas;
  bool operator==(const CComputedValues&) const = default;
};

inline CComputedValues ComputedValues(const CSingleImage& m, const CMeasurementLog& log) {
  CComputedValues c;
  for (const double* v : {m.m_Vx, m.m_Vy, m.m_Vz, m.m_lScale, m.m_l}) c.values.insert(c.values.end(), v, v + 3);
  c.values.insert(c.values.end(), {m.m_a, m.m_b, m.m_A, m.m_StandardOrigin[0], m.m_StandardOrigin[1]});
  for (const auto* matrix : {&m.m_HMatrix, &m.m_HStandardMatrix})
    for (const auto& row : *matrix) c.values.insert(c.values.end(), row, row + 3);
  for (int i = 0; i < m.m_Points.GetCount(); ++i) {
    const CViewPoint& p = *m.m_Points.ElementAt(i);
    c.values.insert(c.values.end(), {p.m_x, p.m_y, p.m_z});
    for (const auto& sigma : log.Sigma(p.m_id)) c.sigmas.push_back(sigma);
  }
  return c;
}
