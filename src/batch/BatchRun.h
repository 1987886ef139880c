#pragma once
// Runs a checked job or project: its actions replayed by the session's own replay on a scene
// model of its photograph, the textures of its faces made, then every output staged and written
// all together or not at all.

#include "session/Project.h"

#include <string>
#include <vector>

struct CBatchResult {
  bool ok = false;
  std::string error;  // the place and the cause, when not ok
  std::string report;  // JSON
  std::vector<std::string> warnings;
};

// `folder` is the job file's folder, beside which the outputs go unless it names a folder.
CBatchResult RunJob(const CProject& project, const std::string& folder);
