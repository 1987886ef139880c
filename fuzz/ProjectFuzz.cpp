// libFuzzer target: any text handed to the project reader is refused with one line that names
// the place, or read into actions that survive writing and reading back unchanged and replay
// on a scene model without harm; a job's outputs stay in their folder.

#include "model/SingleImage.h"
#include "session/Project.h"
#include "session/Replay.h"

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
  CProject project;
  std::string error;
  if (!ReadProject(text, "jobs", project, error)) {
    if (error.empty() || error.find('\n') != std::string::npos) std::abort();
    return 0;
  }
  if (project.places.size() != project.actions.size()) std::abort();
  for (const std::string* name : {&project.outputs.data, &project.outputs.vrml, &project.outputs.gltf, &project.outputs.obj})
    if (!name->empty() && !StaysInFolder(*name)) std::abort();

  CActionList actions;
  for (const CAction& action : project.actions) actions.push_back(std::make_shared<const CAction>(action));
  CProject again;
  if (!ReadProject(ProjectText(project.photograph, actions, "jobs"), "jobs", again, error)) std::abort();
  if (again.actions != project.actions) std::abort();

  CSingleImage model(64, 48);
  CReplayed replayed;
  Replay(actions, model, replayed);
  return 0;
}
