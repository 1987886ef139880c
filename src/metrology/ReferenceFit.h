#pragma once
// The vertical scale A from several vertical references: GetParameter's segment and further
// segments of known height standing on the ground. Each reference gives its own A_i, computed
// as GetParameter computes A (the top moved onto its foot's vertical); A is their weighted mean
// Σ w_i·A_i / Σ w_i with w_i = 1 / var(A_i), the variance propagated to first order from the
// reference's foot and top and the vertical vanishing point (its segments), every position off
// by the same noise. A reference that cannot fix A (height 0, foot and top coincident, foot on
// the vanishing line) is left out with a note. With GetParameter's reference alone A stays
// exactly what GetParameter gave.

#include "metrology/ReferenceParameters.h"
#include "metrology/Uncertainty.h"

#include <optional>
#include <string>
#include <vector>

class CSingleImage;

struct CFittedReference {
  CVerticalReference reference;
  std::string note;                 // why it is left out of the fit; "" when it is used
  std::optional<double> ownA;       // its own A_i, when finite
  std::optional<double> sigmaA;     // σ of A_i, when known
  double weight = 0;                // w_i, 0 when left out
  std::optional<double> residual;   // A_i − A
  std::optional<double> impliedHeight;  // the height A gives the segment, against its given height
};

struct CVerticalScaleFit {
  // GetParameter's reference first, then the further ones in order.
  std::vector<CFittedReference> references;
  // The fitted A when it replaces GetParameter's: some reference besides GetParameter's is used.
  std::optional<double> fittedA;
  // The A the scene holds: the fitted one, or GetParameter's.
  double A = 0;
};

// `model` holds the vanishing points (vertical = null: the vanishing point's own spread is not
// known and only foot and top count); `parameters` GetParameter's fields.
CVerticalScaleFit FitVerticalScale(const CSingleImage& model, const CReferenceFields& parameters,
                                   const std::vector<CVerticalReference>& further,
                                   const CVanishingPointSpread* vertical, double positionSigma);

// Σ w_i·A_i / Σ w_i over the references with weight w_i > 0 (GetParameter's first), the weights
// held as given: how A moves with the inputs to first order.
double WeightedVerticalScale(const CSingleImage& model, const CReferenceFields& parameters,
                             const std::vector<CVerticalReference>& further, const std::vector<double>& weights);

// GetParameter's segment as a reference.
CVerticalReference ParameterReference(const CReferenceFields& parameters);
