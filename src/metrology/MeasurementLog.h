#pragma once
// What this session's measurements came from, kept beside the scene model and never saved: the
// segments at the last successful "Caculate ", the fields of the last reference OK, and for each
// point measured since, how its coordinates were obtained. Points loaded from a data file and
// values typed by hand have no record; their uncertainty is unknown.

#include "metrology/Uncertainty.h"
#include "metrology/VanishingPoints.h"

#include <array>
#include <map>
#include <optional>

class CSingleImage;

struct CPointRecord {
  CChainInputs chain;  // the chain as it stood when the point was measured
  CPointProvenance how;
  bool xyMeasured = false;  // X and Y by "CACULATE XandY", unchanged since
  bool zMeasured = false;   // Z by "CACULATE Z", unchanged since
  int copiedFrom[3] = {-1, -1, -1};  // the id each coordinate was taken over from by "GET REF"
};

class CMeasurementLog {
 public:
  // A new photograph or a loaded data file: nothing of the old chain holds any more.
  void Clear();

  // The segments, centred as the view keeps them, are stored as photograph pixel positions.
  void SetSegments(const CSingleImage& model, const CSegmentList& xLines, const CSegmentList& yLines,
                   const CSegmentList& zLines);
  // New vanishing points need new reference scales: until the next SetReference no point gets a
  // record. Scales typed by hand instead of computed from the fields give no record either.
  void SetReference(const CSingleImage& model, const CReferenceFields& fields);
  // True once both the segments and the reference fields are known.
  bool HasChain() const { return m_bSegments && m_bReference; }
  const CChainInputs& Chain() const { return m_chain; }

  void RecordPoint(int id, CPointRecord record);
  const CPointRecord* FindRecord(int id) const;

  // Standard deviations of X, Y and Z of the point with this id; a coordinate without a record
  // has none. A coordinate taken over from another point has that point's.
  std::array<std::optional<double>, 3> Sigma(int id) const;

 private:
  std::optional<double> CoordinateSigma(int id, int coordinate, int depth) const;
  std::optional<std::array<double, 3>> Propagate(const CChainInputs& chain, const CPointProvenance& how) const;

  CChainInputs m_chain;
  bool m_bSegments = false;
  bool m_bReference = false;
  std::map<int, CPointRecord> m_points;
  // Propagations by point id: the dialog's chain (false) and a height's own chain (true).
  mutable std::map<std::pair<int, bool>, std::optional<std::array<double, 3>>> m_propagated;
  // How the vanishing points of m_chain's segments move with them, shared by the points
  // measured on those segments: worked out once, not once a point.
  mutable std::optional<std::array<CVanishingPointSpread, 3>> m_spreads;
};
