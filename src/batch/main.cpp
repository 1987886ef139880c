// pelorin-batch: one modelling job from a JSON file, without a window.

#include "batch/BatchRun.h"
#include "batch/JobHelp.h"
#include "session/Project.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(JobFormatHelp(), stdout);
    return 0;
  }
  if (argc != 2) {
    std::fputs("Usage: pelorin-batch JOB.json (pelorin-batch --help explains the job)\n", stderr);
    return 2;
  }
  const std::string path = argv[1];
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "pelorin-batch: %s: %s\n", path.c_str(), std::strerror(errno));
    return 2;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
  CProject project;
  std::string error;
  if (!ReadProject(text, folder, project, error)) {
    std::fprintf(stderr, "pelorin-batch: %s: %s\n", path.c_str(), error.c_str());
    return 2;
  }
  const CBatchResult result = RunJob(project, folder);
  if (!result.ok) {
    std::fprintf(stderr, "pelorin-batch: %s: %s\n", path.c_str(), result.error.c_str());
    return 2;
  }
  for (const std::string& warning : result.warnings) std::fprintf(stderr, "pelorin-batch: warning: %s\n", warning.c_str());
  std::fputs(result.report.c_str(), stdout);
  std::fputs("\n", stdout);
  return 0;
}
