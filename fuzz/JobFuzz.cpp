// libFuzzer target: any text handed to the job reader is refused with one line that names the
// place, or read into a job whose outputs stay in their folder and whose faces name measured
// points.

#include "batch/Job.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

bool StaysInFolder(const std::string& name) {
  return name != "." && name != ".." && name.find('/') == std::string::npos && name.find('\0') == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CJob job;
  std::string error;
  if (!ReadJob(text, "jobs", job, error)) {
    if (error.empty() || error.find('\n') != std::string::npos) std::abort();
    return 0;
  }
  for (const std::string* name : {&job.dataOutput, &job.vrmlOutput, &job.gltfOutput, &job.objOutput})
    if (!StaysInFolder(*name)) std::abort();
  if (!job.objOutput.empty() && (job.objOutput.find(' ') != std::string::npos || job.objOutput.size() < 5)) std::abort();
  for (const CJobFace& face : job.faces) {
    if (!face.texture.empty() && (!StaysInFolder(face.texture) || face.texture.size() > 47)) std::abort();
    for (int id : face.points)
      if (id < 0 || (job.dataFile.empty() && id >= static_cast<int>(job.points.size()))) std::abort();
  }
  for (size_t i = 0; i < job.points.size(); ++i)
    for (int id : job.points[i].reference)
      if (id >= static_cast<int>(i)) std::abort();
  return 0;
}
