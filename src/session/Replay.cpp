#include "session/Replay.h"

#include "dialogs/DialogforParameter.h"
#include "dialogs/GetPointDialog.h"
#include "dialogs/InputDialogForVanishPoints.h"
#include "metrology/Measurements.h"
#include "model/DataFile.h"
#include "model/SingleImage.h"
#include "services/NumberText.h"
#include "services/Services.h"
#include "texture/FaceTexture.h"

#include <type_traits>

namespace {

// The dialogs' messages, kept instead of shown; their questions answered no.
class CCollectingServices final : public CServices {
 public:
  void TraceText(const std::string&) override {}
  void MessageBox(const std::string& text) override { m_text += (m_text.empty() ? "" : "\n") + text; }
  int RunModalDialog(CDialogModel&) override { return kDialogCancel; }
  std::optional<CFileDialogChoice> RunFileDialog(const CFileDialogRequest&) override { return std::nullopt; }
  void SetStatusText(const std::string&) override {}
  void Repaint() override {}
  const std::string& Text() const { return m_text; }

 private:
  std::string m_text;
};

void Type(CDialogModel& dialog, int controlId, double value) { dialog.SetControlText(controlId, FormatDoubleField(value)); }

// A fitted to GetParameter's reference and the further ones, stored as GetParameter's OK stores
// it; the log learns what A now rests on.
void Refit(CSingleImage& model, CReplayed& replayed) {
  replayed.log.SetFurtherReferences(replayed.references);
  replayed.fit = {};
  if (!replayed.parameters) return;
  const CReferenceFields& p = *replayed.parameters;
  std::optional<CVanishingPointSpread> vertical;
  if (replayed.log.HasSegments()) vertical = SpreadOfVanishingPoint(replayed.log.Chain(), 2);
  replayed.fit = FitVerticalScale(model, p, replayed.references, vertical ? &*vertical : nullptr,
                                  replayed.log.PositionSigma());
  StoreReferenceParameters(model, p.m_a, p.m_b, replayed.fit.A, p.m_WorldOriginU, p.m_WorldOriginV);
}

std::string ApplyParameters(const CParametersAction& action, CSingleImage& model, CReplayed& replayed) {
  CDialogforParameter dialog(model);
  if (action.typed)
    TypeParameters(dialog, *action.typed);
  else
    ReplayTranscript(dialog, action.steps);
  if (dialog.Result() != kDialogOk) return "the reference fields were not accepted";
  StoreReferenceParameters(model, dialog.m_a, dialog.m_b, dialog.m_A, dialog.m_WorldOriginU, dialog.m_WorldOriginV);
  replayed.log.SetReference(model, dialog);
  replayed.parameters = static_cast<const CReferenceFields&>(dialog);
  Refit(model, replayed);
  return {};
}

std::string ApplyPoint(const CPointAction& action, CSingleImage& model, CReplayed& replayed) {
  CGetPointDialog dialog(model);
  dialog.m_nPointID = model.m_nMaxId + 1;
  if (action.typed)
    TypePoint(dialog, *action.typed);
  else
    ReplayTranscript(dialog, action.steps);
  if (dialog.Result() != kDialogOk) return "the point was not accepted";
  AddViewPoint(model, dialog);
  for (const CDialogStep& step : dialog.Transcript())
    if (step.button == IDC_CALCULATE_IMAGE_POSITION) replayed.imagePositions[model.m_nMaxId] = {dialog.m_bU, dialog.m_bV};
  if (replayed.log.HasChain()) replayed.log.RecordPoint(model.m_nMaxId, dialog.MeasurementRecord(replayed.log.Chain()));
  return {};
}

std::string Apply(const CAction& action, CSingleImage& model, CReplayed& replayed) {
  return std::visit(
      [&](const auto& a) -> std::string {
        using T = std::decay_t<decltype(a)>;
        if constexpr (std::is_same_v<T, CSegmentAction>) {
          if (a.axis < 0 || a.axis > 2) return "a segment has no direction";
          if (!a.enabled) return {};
          if (std::string refusal = ShortSegmentMessage(a.ends[0], a.ends[1], a.ends[2], a.ends[3]); !refusal.empty())
            return refusal;
          replayed.lines[a.axis].Add(MakeSegment(model, a.ends[0], a.ends[1], a.ends[2], a.ends[3]));
          return {};
        } else if constexpr (std::is_same_v<T, CCalculateAction>) {
          std::string refusal = CalculateVanishingPoints(model, replayed.lines[0], replayed.lines[1], replayed.lines[2]);
          if (refusal.empty()) {
            replayed.log.SetSegments(model, replayed.lines[0], replayed.lines[1], replayed.lines[2]);
            replayed.parameters.reset();
            Refit(model, replayed);
          }
          return refusal;
        } else if constexpr (std::is_same_v<T, CParametersAction>) {
          return ApplyParameters(a, model, replayed);
        } else if constexpr (std::is_same_v<T, CPointAction>) {
          return ApplyPoint(a, model, replayed);
        } else if constexpr (std::is_same_v<T, CFaceAction>) {
          AddFace(model, a.texture, a.points.data());
          return {};
        } else if constexpr (std::is_same_v<T, CRenameFaceAction>) {
          if (a.face < 0 || a.face >= model.m_Textures.GetCount()) return "face " + std::to_string(a.face) + " doesn't exist";
          RenameFace(model, a.face, a.texture);
          return {};
        } else if constexpr (std::is_same_v<T, CDeletePointAction>) {
          if (a.row < 0 || a.row >= model.m_Points.GetCount() || model.m_Points.ElementAt(a.row)->m_id != a.id)
            return "no point with id " + std::to_string(a.id) + " is in row " + std::to_string(a.row);
          DeleteViewPoint(model, a.row);
          return {};
        } else if constexpr (std::is_same_v<T, CDeleteFaceAction>) {
          if (a.face < 0 || a.face >= model.m_Textures.GetCount()) return "face " + std::to_string(a.face) + " doesn't exist";
          DeleteFace(model, a.face);
          return {};
        } else if constexpr (std::is_same_v<T, CMeasurementAction>) {
          if (a.face) {
            if (a.kind != EMeasurementKind::Area) return "only an area is measured on a face";
            if (const CMeasuredValue area = MeasureFaceArea(model, replayed.log, *a.face); !area.HasValue())
              return area.message;
            replayed.measurements.push_back(a);
            return {};
          }
          if (a.points.size() != MeasurementPointCount(a.kind))
            return "a measurement names " + std::to_string(a.points.size()) + " points";
          if (std::string missing = MissingPointsMessage(model, a.points.data(), static_cast<int>(a.points.size()));
              !missing.empty())
            return missing;
          replayed.measurements.push_back(a);
          return {};
        } else if constexpr (std::is_same_v<T, CDeleteMeasurementAction>) {
          if (a.row < 0 || a.row >= static_cast<int>(replayed.measurements.size()))
            return "measurement " + std::to_string(a.row) + " doesn't exist";
          replayed.measurements.erase(replayed.measurements.begin() + a.row);
          return {};
        } else if constexpr (std::is_same_v<T, CReferenceHeightAction>) {
          replayed.references.push_back({a.foot, a.top, a.height});
          Refit(model, replayed);
          return {};
        } else if constexpr (std::is_same_v<T, CDeleteReferenceAction>) {
          if (a.row < 0 || a.row >= static_cast<int>(replayed.references.size()))
            return "reference " + std::to_string(a.row) + " doesn't exist";
          replayed.references.erase(replayed.references.begin() + a.row);
          Refit(model, replayed);
          return {};
        } else if constexpr (std::is_same_v<T, CKnownValueAction>) {
          if (a.row < 0 || a.row >= static_cast<int>(replayed.measurements.size()))
            return "measurement " + std::to_string(a.row) + " doesn't exist";
          replayed.measurements[a.row].known = a.known;
          return {};
        } else {
          static_assert(std::is_same_v<T, CDataFileAction>);
          CDataFileContent content;
          std::string error;
          if (!ParseDataFile(a.text, content, error)) return "the data file " + a.path + " cannot be loaded: " + error;
          ApplyDataFile(model, std::move(content));
          // Loaded points and parameters have no record of where they came from.
          replayed.log.Clear();
          replayed.parameters.reset();
          replayed.fit = {};
          return {};
        }
      },
      action);
}

}  // namespace

void CReplayed::Clear() {
  for (CSegmentList& list : lines) list.RemoveAll();
  log.Clear();
  measurements.clear();
  references.clear();
  parameters.reset();
  fit = {};
  imagePositions.clear();
}

CAppliedAction ApplyAction(const CAction& action, CSingleImage& model, CReplayed& replayed) {
  CCollectingServices collected;
  CAppliedAction applied;
  {
    CScopedServices installed(collected);
    applied.refusal = Apply(action, model, replayed);
  }
  applied.messages = collected.Text();
  return applied;
}

std::optional<CReplayProblem> Replay(const CActionList& actions, CSingleImage& model, CReplayed& replayed,
                                     double positionSigma) {
  model.ResetScene();
  replayed.Clear();
  replayed.log.SetPositionSigma(positionSigma);
  for (size_t i = 0; i < actions.size(); ++i)
    if (CAppliedAction applied = ApplyAction(*actions[i], model, replayed); !applied.refusal.empty())
      return CReplayProblem{i, std::move(applied.refusal)};
  return std::nullopt;
}

void TypePoint(CDialogModel& dialog, const CTypedPoint& p) {
  dialog.OnInitDialog();
  Type(dialog, IDC_POINT_U, p.pixel[0]), Type(dialog, IDC_POINT_V, p.pixel[1]);
  if (p.height) Type(dialog, IDC_POINT_Z, *p.height);
  if (p.world)
    Type(dialog, IDC_POINT_X, (*p.world)[0]), Type(dialog, IDC_POINT_Y, (*p.world)[1]),
        Type(dialog, IDC_POINT_Z, (*p.world)[2]);
  if (p.foot) Type(dialog, IDC_POINT_BU, (*p.foot)[0]), Type(dialog, IDC_POINT_BV, (*p.foot)[1]);
  const auto& top = p.top ? *p.top : p.pixel;
  if (p.foot || p.top) Type(dialog, IDC_POINT_TU, top[0]), Type(dialog, IDC_POINT_TV, top[1]);
  const int references[3] = {IDC_POINT_REF_X, IDC_POINT_REF_Y, IDC_POINT_REF_Z};
  for (int k = 0; k < 3; ++k)
    if (p.reference[k] >= 0) dialog.SetControlText(references[k], std::to_string(p.reference[k]));
  for (const std::string& step : p.compute) dialog.Press(PointButtonId(step));
  dialog.Press(IDOK);
}

void TypeParameters(CDialogModel& dialog, const CTypedParameters& p) {
  dialog.OnInitDialog();
  Type(dialog, IDC_ORIGIN_U, p.origin[0]), Type(dialog, IDC_ORIGIN_V, p.origin[1]);
  Type(dialog, IDC_GROUND_X, p.groundWorld[0]), Type(dialog, IDC_GROUND_Y, p.groundWorld[1]);
  Type(dialog, IDC_GROUND_U, p.groundPixel[0]), Type(dialog, IDC_GROUND_V, p.groundPixel[1]);
  Type(dialog, IDC_REFERENCE_BU, p.foot[0]), Type(dialog, IDC_REFERENCE_BV, p.foot[1]);
  Type(dialog, IDC_REFERENCE_TU, p.top[0]), Type(dialog, IDC_REFERENCE_TV, p.top[1]);
  Type(dialog, IDC_REFERENCE_HEIGHT, p.height);
  if (!p.a || !p.b || !p.A) dialog.Press(IDC_CALCULATE_PARAMETERS);
  if (p.a) Type(dialog, IDC_SCALE_A_X, *p.a);
  if (p.b) Type(dialog, IDC_SCALE_B_Y, *p.b);
  if (p.A) Type(dialog, IDC_SCALE_A_Z, *p.A);
  dialog.Press(IDOK);
}

int PointButtonId(const std::string& name) {
  if (name == "reference") return IDC_GET_REF;
  if (name == "height") return IDC_CALCULATE_Z;
  if (name == "xy") return IDC_CALCULATE_XY;
  if (name == "image") return IDC_CALCULATE_IMAGE_POSITION;
  return 0;
}

std::string PointButtonName(int controlId) {
  switch (controlId) {
    case IDC_GET_REF: return "reference";
    case IDC_CALCULATE_Z: return "height";
    case IDC_CALCULATE_XY: return "xy";
    case IDC_CALCULATE_IMAGE_POSITION: return "image";
    default: return {};
  }
}
