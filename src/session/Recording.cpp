#include "session/Recording.h"

#include "dialogs/DialogforParameter.h"
#include "dialogs/GetPointDialog.h"
#include "model/SingleImage.h"
#include "services/NumberText.h"
#include "services/Services.h"
#include "session/Replay.h"

#include <algorithm>

namespace {

// The number a field's text holds, or none.
std::optional<double> Field(const CDialogStep& step, int controlId) {
  const auto it = step.texts.find(controlId);
  return it == step.texts.end() ? std::nullopt : ParseDoubleField(it->second);
}

std::optional<CTypedPoint> TypedPointCandidate(const std::vector<CDialogStep>& transcript) {
  if (transcript.empty() || transcript.back().button != IDOK) return std::nullopt;
  const CDialogStep& first = transcript.front();
  CTypedPoint point;
  const auto u = Field(first, IDC_POINT_U), v = Field(first, IDC_POINT_V);
  const auto x = Field(first, IDC_POINT_X), y = Field(first, IDC_POINT_Y), z = Field(first, IDC_POINT_Z);
  const auto bu = Field(first, IDC_POINT_BU), bv = Field(first, IDC_POINT_BV);
  const auto tu = Field(first, IDC_POINT_TU), tv = Field(first, IDC_POINT_TV);
  if (!u || !v || !x || !y || !z || !bu || !bv || !tu || !tv) return std::nullopt;
  point.pixel = {*u, *v};
  if (*x != 0 || *y != 0)
    point.world = std::array<double, 3>{*x, *y, *z};
  else
    point.height = *z;
  for (size_t i = 0; i + 1 < transcript.size(); ++i) {
    const std::string name = PointButtonName(transcript[i].button);
    if (name.empty()) return std::nullopt;
    point.compute.push_back(name);
  }
  const bool measuresHeight = std::find(point.compute.begin(), point.compute.end(), "height") != point.compute.end();
  if (measuresHeight || *bu != 0 || *bv != 0) point.foot = std::array<double, 2>{*bu, *bv};
  if ((point.foot && (*tu != *u || *tv != *v)) || (!point.foot && (*tu != 0 || *tv != 0)))
    point.top = std::array<double, 2>{*tu, *tv};
  const int references[3] = {IDC_POINT_REF_X, IDC_POINT_REF_Y, IDC_POINT_REF_Z};
  for (int k = 0; k < 3; ++k) {
    const auto it = first.texts.find(references[k]);
    if (it == first.texts.end()) return std::nullopt;
    const std::optional<int> id = ParseIntField(it->second);
    if (!id) return std::nullopt;
    point.reference[k] = *id < 0 ? -1 : *id;
  }
  return point;
}

// `scales` says which of a, b and A (bits 0, 1, 2) are typed after "Caculate" or without it.
std::optional<CTypedParameters> TypedParametersCandidate(const std::vector<CDialogStep>& transcript, int scales) {
  if (transcript.empty() || transcript.back().button != IDOK) return std::nullopt;
  const CDialogStep& first = transcript.front();
  const CDialogStep& last = transcript.back();
  const int fields[11] = {IDC_ORIGIN_U,     IDC_ORIGIN_V,     IDC_GROUND_U,     IDC_GROUND_V,
                          IDC_GROUND_X,     IDC_GROUND_Y,     IDC_REFERENCE_BU, IDC_REFERENCE_BV,
                          IDC_REFERENCE_TU, IDC_REFERENCE_TV, IDC_REFERENCE_HEIGHT};
  double value[11];
  for (int k = 0; k < 11; ++k) {
    const auto number = Field(first, fields[k]);
    if (!number) return std::nullopt;
    value[k] = *number;
  }
  CTypedParameters parameters;
  parameters.origin = {value[0], value[1]};
  parameters.groundPixel = {value[2], value[3]};
  parameters.groundWorld = {value[4], value[5]};
  parameters.foot = {value[6], value[7]};
  parameters.top = {value[8], value[9]};
  parameters.height = value[10];
  const int controls[3] = {IDC_SCALE_A_X, IDC_SCALE_B_Y, IDC_SCALE_A_Z};
  std::optional<double>* values[3] = {&parameters.a, &parameters.b, &parameters.A};
  for (int k = 0; k < 3; ++k)
    if (scales & (1 << k)) {
      *values[k] = Field(last, controls[k]);
      if (!*values[k]) return std::nullopt;
    }
  return parameters;
}

}  // namespace

CPointAction PointActionFromDialog(const CSingleImage& model, const std::vector<CDialogStep>& transcript) {
  CPointAction action;
  if (const std::optional<CTypedPoint> candidate = TypedPointCandidate(transcript)) {
    CGetPointDialog dialog(model);
    dialog.m_nPointID = model.m_nMaxId + 1;
    CQuietServices quiet;
    CScopedServices installed(quiet);
    TypePoint(dialog, *candidate);
    if (dialog.Transcript() == transcript) {
      action.typed = candidate;
      return action;
    }
  }
  action.steps = transcript;
  return action;
}

CParametersAction ParametersActionFromDialog(const CSingleImage& model, const std::vector<CDialogStep>& transcript) {
  CParametersAction action;
  CQuietServices quiet;
  CScopedServices installed(quiet);
  for (int scales = 0; scales < 8; ++scales)
    if (const std::optional<CTypedParameters> candidate = TypedParametersCandidate(transcript, scales)) {
      CDialogforParameter dialog(model);
      TypeParameters(dialog, *candidate);
      if (dialog.Transcript() == transcript) {
        action.typed = candidate;
        return action;
      }
    }
  action.steps = transcript;
  return action;
}
