#pragma once
// Runs a checked job through the program's own dialog models, on a scene model of its
// photograph, in the order of the modelling road, then stages every output and writes them all
// or none.

#include "batch/Job.h"

#include <string>
#include <vector>

struct CBatchResult {
  bool ok = false;
  std::string error;  // the place and the cause, when not ok
  std::string report;  // JSON
  std::vector<std::string> warnings;
};

CBatchResult RunJob(const CJob& job);
