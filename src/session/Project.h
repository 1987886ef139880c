#pragma once
// The project file: a modelling job's inputs as JSON, the same format as a batch job. A project
// names its format and version; a file without them is a job. The common order of the
// modelling road (segments, "Caculate ", the reference fields, points, faces) is written in a
// job's sections; any other order as a list of actions. Paths are relative to the file's folder.

#include "session/Actions.h"
#include "session/DetectedSegments.h"
#include "session/Replay.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr const char* kProjectFormatName = "pelorin-project";
inline constexpr int kProjectFormatVersion = 1;

// The files a batch run writes, by name, into `folder` (relative to the job). `fspy` names the
// fSpy project, `colmap` the folder of the COLMAP text model.
struct CProjectOutputs {
  bool given = false;  // the file has "outputs"; without it a project's run writes nothing
  std::string folder;
  std::string data, vrml, gltf, obj, fspy, colmap;
};

struct CProject {
  CPhotographInfo photograph;  // path resolved against the file's folder
  std::vector<CAction> actions;
  std::vector<std::string> places;  // where each action stands in the file, for messages
  CProjectOutputs outputs;
  bool isProject = false;  // false for a job without "format"
  double positionSigma = kImagePositionSigma;  // pixels, of every typed image position
  // The 35 mm equivalent focal length given for a one-point photograph's camera, millimetres.
  std::optional<double> focal35mm;
  // A job whose "segments" say "detect": the segments found in the photograph go just before
  // the action at `detectBefore` (the "Caculate " of the segments section), after any listed.
  std::optional<CDetectRequest> detect;
  size_t detectBefore = 0;
};

// Reads and checks the whole file; a job's "data" file is read now. On failure, the place and
// what was expected, as "points[3].pixel: expected two numbers".
bool ReadProject(std::string_view text, const std::string& folder, CProject& project, std::string& error);

// The project's text, with the photograph's path relative to `folder` where it lies inside it.
std::string ProjectText(const CPhotographInfo& photograph, const CActionList& actions, const std::string& folder,
                        double positionSigma = kImagePositionSigma, std::optional<double> focal35mm = {});

// Why `found` is not the photograph `expected` describes ("" when it is, or when the project does
// not say): its size or its SHA-256 differs. A size of 0 × 0 or an empty hash is not known.
std::string PhotographDifference(const CPhotographInfo& expected, const CPhotographInfo& found);

// Whether a face's texture name is NAME.gif for a NAME that "Gen TEX" and the batch can write.
bool IsGeneratedTextureName(const std::string& name);

// A name that stays in its folder: no folder part, not the folder itself or its parent, and no
// zero byte.
bool IsNameInFolder(const std::string& name);
