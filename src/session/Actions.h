#pragma once
// What the user did in a modelling job, one action an entry, in the order it was done: the inputs
// from which everything computed is derived again by replaying them. Image positions are
// photograph pixels as the status bar shows them (column from the left, row from the bottom).

#include "services/Dialog.h"

#include <array>
#include <optional>
#include <string>
#include <variant>
#include <vector>

// The photograph a job was made on. `path` is as the user chose it (absolute, or relative to a
// project file's folder once read from one); `sha256` is "" where it is not known.
struct CPhotographInfo {
  std::string path;
  int width = 0;
  int height = 0;
  std::string sha256;

  bool operator==(const CPhotographInfo&) const = default;
};

// A segment of one direction (0 X, 1 Y, 2 Z); a disabled one no longer counts. A segment
// snapped onto the photograph's edge (by hand or found by detection) keeps the RMS of that
// edge's fit, in pixels.
struct CSegmentAction {
  int axis = 0;
  std::array<double, 4> ends{};  // x1, y1, x2, y2
  bool enabled = true;
  std::optional<double> snapRms = std::nullopt;

  bool operator==(const CSegmentAction&) const = default;
};

// "Caculate ": the vanishing points from the enabled segments listed before it.
struct CCalculateAction {
  bool operator==(const CCalculateAction&) const = default;
};

// The reference fields as a job gives them: typed once, then "Caculate" unless a, b and A are
// all given, then the given ones typed over the computed ones, then OK.
struct CTypedParameters {
  std::array<double, 2> origin{}, groundPixel{}, groundWorld{}, foot{}, top{};
  double height = 0;
  std::optional<double> a, b, A;

  bool operator==(const CTypedParameters&) const = default;
};

// The point dialog's fields as a job gives them: typed once (the top is the pixel unless given
// when a foot is), then the buttons in order ("reference", "height", "xy", "image"), then OK.
struct CTypedPoint {
  std::array<double, 2> pixel{};
  std::optional<double> height;
  std::optional<std::array<double, 2>> foot;
  std::optional<std::array<double, 2>> top;
  std::optional<std::array<double, 3>> world;
  std::array<int, 3> reference{-1, -1, -1};
  std::vector<std::string> compute;

  bool operator==(const CTypedPoint&) const = default;
};

// A dialog's OK: the short typed form where it says exactly what the user did, otherwise every
// press with the texts the fields held before it.
struct CParametersAction {
  std::optional<CTypedParameters> typed;
  std::vector<CDialogStep> steps;

  bool operator==(const CParametersAction&) const = default;
};

struct CPointAction {
  std::optional<CTypedPoint> typed;
  std::vector<CDialogStep> steps;

  bool operator==(const CPointAction&) const = default;
};

// A face recorded with its four point ids and the texture name it was given ("" for none).
struct CFaceAction {
  std::array<int, 4> points{};
  std::string texture;

  bool operator==(const CFaceAction&) const = default;
};

// "SELECT TEXTURE"'s OK after "Gen TEX": face `face` gets a new name.
struct CRenameFaceAction {
  int face = 0;
  std::string texture;

  bool operator==(const CRenameFaceAction&) const = default;
};

// A point removed from the list: `row` is its place when it was removed, `id` names it.
struct CDeletePointAction {
  int row = 0;
  int id = 0;

  bool operator==(const CDeletePointAction&) const = default;
};

struct CDeleteFaceAction {
  int face = 0;

  bool operator==(const CDeleteFaceAction&) const = default;
};

// A data file loaded, kept whole: the job does not depend on the file staying as it was.
struct CDataFileAction {
  std::string path;
  std::string text;

  bool operator==(const CDataFileAction&) const = default;
};

// A measurement between measured points: the distance of two, the height difference of two
// (the first's Z less the second's), or the area of the planar quadrilateral of four, or of face
// number `face` as it is when measured. `known` is its true value when it serves as a check.
enum class EMeasurementKind { Distance, HeightDifference, Area };
struct CMeasurementAction {
  EMeasurementKind kind = EMeasurementKind::Distance;
  std::vector<int> points;
  std::optional<double> known;
  std::optional<int> face;

  bool operator==(const CMeasurementAction&) const = default;
};

// The measurement in row `row` of the list of measurements removed, or given a known value.
struct CDeleteMeasurementAction {
  int row = 0;

  bool operator==(const CDeleteMeasurementAction&) const = default;
};
struct CKnownValueAction {
  int row = 0;
  std::optional<double> known;

  bool operator==(const CKnownValueAction&) const = default;
};

// A further vertical reference beside GetParameter's: a segment standing on the ground, its foot
// and top as pixels, and its height. With it, A is fitted to all references.
struct CReferenceHeightAction {
  std::array<double, 2> foot{}, top{};
  double height = 0;

  bool operator==(const CReferenceHeightAction&) const = default;
};

// The further reference in row `row` (0 the first added) removed.
struct CDeleteReferenceAction {
  int row = 0;

  bool operator==(const CDeleteReferenceAction&) const = default;
};

using CAction = std::variant<CSegmentAction, CCalculateAction, CParametersAction, CPointAction, CFaceAction,
                             CRenameFaceAction, CDeletePointAction, CDeleteFaceAction, CDataFileAction,
                             CMeasurementAction, CDeleteMeasurementAction, CKnownValueAction, CReferenceHeightAction,
                             CDeleteReferenceAction>;

// How many points a measurement of the kind names.
inline size_t MeasurementPointCount(EMeasurementKind kind) { return kind == EMeasurementKind::Area ? 4 : 2; }

// The names of the point dialog's buttons in a job ("height" is "CACULATE Z", ...), and back;
// 0 or "" for none.
int PointButtonId(const std::string& name);
std::string PointButtonName(int controlId);
