#include "session/Handles.h"

#include "dialogs/DialogforParameter.h"
#include "dialogs/GetPointDialog.h"
#include "model/DataFile.h"
#include "model/SingleImage.h"
#include "services/NumberText.h"
#include "services/Services.h"
#include "session/Recording.h"

#include <cmath>
#include <functional>
#include <type_traits>
#include <utility>

namespace {

using CPosition = std::array<double, 2>;
// The edit controls that hold one image position, column and row.
using CFieldPair = std::pair<int, int>;

constexpr const char* kAxisNames[3] = {"X", "Y", "Z"};

std::optional<CPosition> PairIn(const std::map<int, std::string>& texts, CFieldPair fields) {
  const auto u = texts.find(fields.first), v = texts.find(fields.second);
  if (u == texts.end() || v == texts.end()) return std::nullopt;
  const std::optional<double> x = ParseDoubleField(u->second), y = ParseDoubleField(v->second);
  if (!x || !y) return std::nullopt;
  return CPosition{*x, *y};
}

// The position a dialog's OK took from the pair of fields.
std::optional<CPosition> PositionAtOk(const std::vector<CDialogStep>& steps, CFieldPair fields) {
  if (steps.empty() || steps.back().button != IDOK) return std::nullopt;
  return PairIn(steps.back().texts, fields);
}

// The fields of the reference dialog that hold each reference mark.
CFieldPair ReferenceFields(EHandleKind kind) {
  switch (kind) {
    case EHandleKind::Origin: return {IDC_ORIGIN_U, IDC_ORIGIN_V};
    case EHandleKind::GroundPoint: return {IDC_GROUND_U, IDC_GROUND_V};
    case EHandleKind::ReferenceFoot: return {IDC_REFERENCE_BU, IDC_REFERENCE_BV};
    default: return {IDC_REFERENCE_TU, IDC_REFERENCE_TV};
  }
}

CPosition& ReferenceMark(CTypedParameters& p, EHandleKind kind) {
  switch (kind) {
    case EHandleKind::Origin: return p.origin;
    case EHandleKind::GroundPoint: return p.groundPixel;
    case EHandleKind::ReferenceFoot: return p.foot;
    default: return p.top;
  }
}

constexpr EHandleKind kReferenceKinds[4] = {EHandleKind::Origin, EHandleKind::GroundPoint, EHandleKind::ReferenceFoot,
                                             EHandleKind::ReferenceTop};
constexpr const char* kReferenceNames[4] = {"Origin", "Ground Point", "Reference Foot", "Reference Top"};

int Priority(EHandleKind kind) {
  if (kind == EHandleKind::Point) return 2;
  return kind == EHandleKind::SegmentEnd ? 0 : 1;
}

void ListParameters(const CParametersAction& action, size_t index, std::vector<CHandle>& handles) {
  for (int k = 0; k < 4; ++k) {
    std::optional<CPosition> position;
    if (action.typed) {
      CTypedParameters typed = *action.typed;
      position = ReferenceMark(typed, kReferenceKinds[k]);
    } else {
      position = PositionAtOk(action.steps, ReferenceFields(kReferenceKinds[k]));
    }
    if (position) handles.push_back({kReferenceKinds[k], index, 0, -1, *position, kReferenceNames[k]});
  }
}

// Types `to` over every pair of the fields that held `from`.
void Substitute(std::map<int, std::string>& texts, const std::vector<CFieldPair>& pairs, CPosition from, CPosition to) {
  for (const CFieldPair& fields : pairs)
    if (PairIn(texts, fields) == from) {
      texts[fields.first] = FormatDoubleField(to[0]);
      texts[fields.second] = FormatDoubleField(to[1]);
    }
}

// Drives `fresh` as `original` was driven by `steps`, with the texts the user typed (those that
// differ from what the dialog held before each press) edited by `edit`; what the buttons compute
// is computed again.
std::vector<CDialogStep> DriveAgain(CDialogModel& original, CDialogModel& fresh, const std::vector<CDialogStep>& steps,
                                    const std::function<void(std::map<int, std::string>&)>& edit) {
  original.OnInitDialog();
  fresh.OnInitDialog();
  for (const CDialogStep& step : steps) {
    std::map<int, std::string> typed;
    for (const auto& [id, text] : step.texts)
      if (original.ControlText(id) != text) typed[id] = text;
    // A pair is recognised whole, even where the user typed only one of its fields this time.
    std::map<int, std::string> edited = step.texts;
    edit(edited);
    for (const auto& [id, text] : edited)
      if (typed.count(id) || text != step.texts.at(id)) typed[id] = text;
    for (const auto& [id, text] : step.texts) original.SetControlText(id, text);
    original.Press(step.button);
    for (const auto& [id, text] : typed) fresh.SetControlText(id, text);
    fresh.Press(step.button);
  }
  return fresh.Transcript();
}

std::optional<CAction> MovedPoint(const CPointAction& action, CPosition from, CPosition to, CSingleImage& model) {
  if (action.typed) {
    CTypedPoint point = *action.typed;
    point.pixel = to;
    if (point.foot && *point.foot == from) point.foot = to;
    if (point.top && *point.top == from) point.top = to;
    return CPointAction{point, {}};
  }
  CGetPointDialog original(model), fresh(model);
  original.m_nPointID = fresh.m_nPointID = model.m_nMaxId + 1;
  const std::vector<CFieldPair> pairs = {
      {IDC_POINT_U, IDC_POINT_V}, {IDC_POINT_TU, IDC_POINT_TV}, {IDC_POINT_BU, IDC_POINT_BV}};
  const std::vector<CDialogStep> steps =
      DriveAgain(original, fresh, action.steps, [&](auto& texts) { Substitute(texts, pairs, from, to); });
  if (fresh.Result() != kDialogOk) return std::nullopt;
  return PointActionFromDialog(model, steps);
}

std::optional<CAction> MovedParameters(const CParametersAction& action, EHandleKind kind, CPosition from, CPosition to,
                                       CSingleImage& model) {
  if (action.typed) {
    CTypedParameters parameters = *action.typed;
    ReferenceMark(parameters, kind) = to;
    return CParametersAction{parameters, {}};
  }
  CDialogforParameter original(model), fresh(model);
  const std::vector<CDialogStep> steps = DriveAgain(
      original, fresh, action.steps, [&](auto& texts) { Substitute(texts, {ReferenceFields(kind)}, from, to); });
  if (fresh.Result() != kDialogOk) return std::nullopt;
  return ParametersActionFromDialog(model, steps);
}

}  // namespace

std::vector<CHandle> ListHandles(const CActionList& actions) {
  std::vector<CHandle> handles;
  int maxId = -1;
  // The points in their rows: id and the action that made it (none for a loaded one).
  std::vector<std::pair<int, std::optional<size_t>>> rows;
  std::optional<size_t> parameters;
  int segmentCount[3] = {0, 0, 0};
  for (size_t i = 0; i < actions.size(); ++i) {
    std::visit(
        [&](const auto& a) {
          using T = std::decay_t<decltype(a)>;
          if constexpr (std::is_same_v<T, CSegmentAction>) {
            if (a.axis < 0 || a.axis > 2) return;
            // Numbered from 0 in each direction, as the Segments table numbers them.
            const int number = segmentCount[a.axis]++;
            if (!a.enabled) return;
            for (int end = 0; end < 2; ++end)
              handles.push_back({EHandleKind::SegmentEnd, i, end, -1, {a.ends[2 * end], a.ends[2 * end + 1]},
                                 std::string("Segment ") + kAxisNames[a.axis] + " " + std::to_string(number) +
                                     ", end " + std::to_string(end + 1)});
          } else if constexpr (std::is_same_v<T, CCalculateAction>) {
            parameters.reset();
          } else if constexpr (std::is_same_v<T, CParametersAction>) {
            parameters = i;
          } else if constexpr (std::is_same_v<T, CPointAction>) {
            rows.push_back({++maxId, i});
          } else if constexpr (std::is_same_v<T, CDeletePointAction>) {
            if (a.row >= 0 && a.row < static_cast<int>(rows.size())) rows.erase(rows.begin() + a.row);
          } else if constexpr (std::is_same_v<T, CDataFileAction>) {
            CDataFileContent content;
            std::string error;
            rows.clear();
            parameters.reset();
            if (!ParseDataFile(a.text, content, error)) return;
            maxId = content.m_nMaxId;
            for (const CViewPoint& point : content.points) rows.push_back({point.m_id, std::nullopt});
          }
        },
        *actions[i]);
  }
  if (parameters) ListParameters(std::get<CParametersAction>(*actions[*parameters]), *parameters, handles);
  for (const auto& [id, index] : rows) {
    if (!index) continue;
    const CPointAction& point = std::get<CPointAction>(*actions[*index]);
    const std::optional<CPosition> position = point.typed ? std::optional<CPosition>(point.typed->pixel)
                                                          : PositionAtOk(point.steps, {IDC_POINT_U, IDC_POINT_V});
    if (position) handles.push_back({EHandleKind::Point, *index, 0, id, *position, "Point " + std::to_string(id)});
  }
  return handles;
}

std::optional<CHandle> NearestHandle(const std::vector<CHandle>& handles, std::array<double, 2> at, double radius) {
  const CHandle* best = nullptr;
  double bestDistance = 0;
  for (const CHandle& handle : handles) {
    const double distance = std::hypot(handle.position[0] - at[0], handle.position[1] - at[1]);
    if (distance > radius) continue;
    const bool better = !best || distance < bestDistance ||
                        (distance == bestDistance &&
                         (Priority(handle.kind) > Priority(best->kind) ||
                          (Priority(handle.kind) == Priority(best->kind) && handle.action > best->action)));
    if (better) best = &handle, bestDistance = distance;
  }
  return best ? std::optional<CHandle>(*best) : std::nullopt;
}

std::string MoveCommandName(const CHandle& handle) {
  return handle.kind == EHandleKind::SegmentEnd ? std::string("Move Segment End") : "Move " + handle.name;
}

std::optional<CActionList> MoveHandle(const CActionList& actions, const CHandle& handle, std::array<double, 2> to,
                                      CSingleImage& model, double positionSigma) {
  if (handle.action >= actions.size()) return std::nullopt;
  const CAction& action = *actions[handle.action];
  std::optional<CAction> moved;
  if (const auto* segment = std::get_if<CSegmentAction>(&action)) {
    CSegmentAction edited = *segment;
    edited.ends[2 * handle.end] = to[0];
    edited.ends[2 * handle.end + 1] = to[1];
    // Placed by hand now: no longer where the edge fit put it.
    edited.snapRms.reset();
    moved = edited;
  } else {
    const auto* point = std::get_if<CPointAction>(&action);
    const auto* parameters = std::get_if<CParametersAction>(&action);
    if (!point && !parameters) return std::nullopt;
    const bool typed = point ? point->typed.has_value() : parameters->typed.has_value();
    // The dialog is driven again on the model as it was when the user drove it.
    CQuietServices quiet;
    CScopedServices installed(quiet);
    CReplayed before;
    if (!typed && Replay(CActionList(actions.begin(), actions.begin() + static_cast<std::ptrdiff_t>(handle.action)),
                         model, before, positionSigma))
      return std::nullopt;
    moved = point ? MovedPoint(*point, handle.position, to, model)
                  : MovedParameters(*parameters, handle.kind, handle.position, to, model);
  }
  if (!moved) return std::nullopt;
  CActionList edited = actions;
  edited[handle.action] = std::make_shared<const CAction>(std::move(*moved));
  return edited;
}
