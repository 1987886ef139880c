#pragma once
// What this session's measurements came from, kept beside the scene model and never saved: the
// segments at the last successful "Caculate ", the fields of the last reference OK, and for each
// point measured since, how its coordinates were obtained. Points loaded from a data file and
// values typed by hand have no record; their uncertainty is unknown.
//
// Every measured coordinate is a function of the image positions the log holds: the segments'
// end points, the reference positions, and each point's own positions (foot, top, and the
// position measured). The log differentiates each coordinate with respect to all of them at
// once (one sparse row of a Jacobian), following taken-over coordinates and heights back to the
// point they came from, so that coordinates measured at a height taken over with GET REF carry
// that height's inputs, and any two coordinates have a known covariance. Positions are
// independent, each off by PositionSigma() pixels in u and in v; one position typed into several
// fields of one dialog (a top clicked and used as t, a foot used as the point itself) is one
// position. Points measured on different segments share no segment inputs, and points measured
// on equal reference positions share those. Rows are computed when first asked for and kept.

#include "metrology/Uncertainty.h"
#include "metrology/VanishingPoints.h"

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class CSingleImage;

struct CPointRecord {
  CChainInputs chain;  // the chain as it stood when the point was measured
  CPointProvenance how;
  bool xyMeasured = false;  // X and Y by "CACULATE XandY", unchanged since
  bool zMeasured = false;   // Z by "CACULATE Z", unchanged since
  int copiedFrom[3] = {-1, -1, -1};  // the id each coordinate was taken over from by "GET REF"
  int xyHeightFrom = -1;    // X and Y computed at a height taken over from this id by "GET REF"
  bool zExact = false;      // Z typed, and X and Y computed at it: exact in measurements between points
};

// One term of a linear combination of measured coordinates: weight · coordinate (0 X, 1 Y, 2 Z)
// of the point with this id.
struct CWeightedCoordinate {
  int id = -1;
  int coordinate = 0;
  double weight = 0;
};

class CMeasurementLog {
 public:
  CMeasurementLog();
  ~CMeasurementLog();
  CMeasurementLog(const CMeasurementLog& other);
  CMeasurementLog& operator=(const CMeasurementLog& other);

  // A new photograph or a loaded data file: nothing of the old chain holds any more. The
  // position noise stays.
  void Clear();

  // The segments, centred as the view keeps them, are stored as photograph pixel positions.
  void SetSegments(const CSingleImage& model, const CSegmentList& xLines, const CSegmentList& yLines,
                   const CSegmentList& zLines);
  // New vanishing points need new reference scales: until the next SetReference no point gets a
  // record. Scales typed by hand instead of computed from the fields give no record either.
  void SetReference(const CSingleImage& model, const CReferenceFields& fields);
  // The further vertical references beside the reference fields: with any of them in the fit, A
  // is their weighted mean (ReferenceFit.h), and each coordinate's row carries their foot and top.
  void SetFurtherReferences(std::vector<CVerticalReference> references);
  bool HasSegments() const { return m_bSegments; }
  // True once both the segments and the reference fields are known.
  bool HasChain() const { return m_bSegments && m_bReference; }
  const CChainInputs& Chain() const { return m_chain; }

  void RecordPoint(int id, CPointRecord record);
  const CPointRecord* FindRecord(int id) const;

  // The standard deviation of every typed image position, pixels (kImagePositionSigma unless set).
  void SetPositionSigma(double pixels);
  double PositionSigma() const { return m_positionSigma; }

  // Standard deviations of X, Y and Z of the point with this id; a coordinate without a record
  // has none, nor has an exact one. A coordinate taken over from another point has that point's.
  std::array<std::optional<double>, 3> Sigma(int id) const;

  // The covariance of coordinate a of point idA with coordinate b of point idB; 0 when either
  // is exact (a height typed and measured at), none when either has no known σ.
  std::optional<double> Covariance(int idA, int coordinateA, int idB, int coordinateB) const;
  // The 3 × 3 block of the two points' coordinates, entry (i, j) = Covariance(idA, i, idB, j).
  std::array<std::array<std::optional<double>, 3>, 3> Covariance(int idA, int idB) const;
  // The standard deviation of Σ weight · coordinate; none when a coordinate with a non-zero
  // weight has no known σ and is not exact.
  std::optional<double> SigmaOfSum(const std::vector<CWeightedCoordinate>& terms) const;

  struct CSensitivity;  // one coordinate's row: how it moves with every position
  struct CChainState;   // a chain's models, base and with each of its inputs moved

 private:
  const CSensitivity& Row(int id, int coordinate, int depth) const;
  void ComputeRows(int id, int depth) const;
  CChainState& ChainFor(const CChainInputs& chain) const;
  int SegmentVariables(const CChainInputs& chain) const;
  int ReferenceVariables(const CReferenceFields& reference) const;
  int FurtherReferenceVariables(const CVerticalReference& reference) const;
  int OwnVariables(int id) const;
  void Forget() const;

  CChainInputs m_chain;
  bool m_bSegments = false;
  bool m_bReference = false;
  double m_positionSigma = kImagePositionSigma;
  std::map<int, CPointRecord> m_points;

  // Worked out when first asked for; a new record forgets them all.
  mutable std::map<int, std::array<std::shared_ptr<const CSensitivity>, 3>> m_rows;
  mutable std::vector<std::unique_ptr<CChainState>> m_chains;
  mutable std::map<int, const CChainState*> m_chainOf;  // by point id, until the point is recorded again
  mutable std::vector<std::pair<const CChainInputs*, int>> m_segmentSets;  // first chain with those segments
  mutable std::map<std::array<double, 8>, int> m_referenceSets;
  mutable std::map<std::array<double, 4>, int> m_furtherSets;
  mutable std::map<int, int> m_ownSets;
  mutable int m_nVariables = 0;
};
