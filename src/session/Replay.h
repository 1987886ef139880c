#pragma once
// Replaying a job's actions on the scene model of its photograph, through the same dialog models
// and metrology functions the program's dialogs use, so that a replayed job and the live one
// hold the same numbers to the last bit. What a dialog would have told the user is collected,
// not shown.

#include "metrology/MeasurementLog.h"
#include "metrology/ReferenceFit.h"
#include "metrology/VanishingPoints.h"
#include "session/Actions.h"

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CSingleImage;

// What replaying derives beside the scene model: the enabled segments of each direction as the
// view keeps them (centred), and where the measurements came from, for their uncertainty.
struct CReplayed {
  CReplayed() = default;
  ~CReplayed() { Clear(); }
  CReplayed(const CReplayed&) = delete;
  CReplayed& operator=(const CReplayed&) = delete;
  void Clear();

  CSegmentList lines[3];
  CMeasurementLog log;
  // The measurements between points, in the order they were added.
  std::vector<CMeasurementAction> measurements;
  // The further vertical references, in the order they were added; GetParameter's fields as its
  // last OK gave them (none before it, after a new "Caculate " or a loaded data file); and A's
  // fit to them all, empty without those fields.
  std::vector<CVerticalReference> references;
  std::optional<CReferenceFields> parameters;
  CVerticalScaleFit fit;
  // The image position "CACULATE B.u and B.v" gave a point, by id, where its dialog ran it.
  std::map<int, std::array<double, 2>> imagePositions;
};

struct CAppliedAction {
  // Why the action cannot be applied as the program applied it ("" when it was): then the
  // program would not have recorded it, and the job is inconsistent from here on. A refused
  // action has changed nothing.
  std::string refusal;
  // What the dialogs told the user on the way, one message a line ("" for nothing).
  std::string messages;
};

CAppliedAction ApplyAction(const CAction& action, CSingleImage& model, CReplayed& replayed);

struct CReplayProblem {
  size_t index = 0;  // of the action refused
  std::string refusal;
};

// Resets the model's scene and the replayed state, then applies the actions in order; stops at
// the first refusal.
// Every σ rests on `positionSigma`, the standard deviation of a typed image position in pixels.
using CActionList = std::vector<std::shared_ptr<const CAction>>;
std::optional<CReplayProblem> Replay(const CActionList& actions, CSingleImage& model, CReplayed& replayed,
                                     double positionSigma = kImagePositionSigma);

// The point dialog's fields typed as a job types them, its buttons pressed, then OK.
void TypePoint(CDialogModel& dialog, const CTypedPoint& point);
// The reference dialog's fields typed as a job types them, "Caculate" pressed unless a, b and A
// are all given, then OK.
void TypeParameters(CDialogModel& dialog, const CTypedParameters& parameters);
