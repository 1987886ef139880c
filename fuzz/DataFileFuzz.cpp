// libFuzzer target: any text handed to the data-file reader is refused or read whole; what it
// reads writes out as a file that reads back to the same text, and exports whatever bytes its
// names hold (the glTF file's JSON stays valid).

#include "export/Gltf.h"
#include "export/Obj.h"
#include "export/Vrml.h"
#include "model/DataFile.h"
#include "model/SingleImage.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace {

// The JSON chunk of a .glb file parses (and so holds UTF-8 text only).
bool GlbJsonParses(const std::vector<unsigned char>& glb) {
  if (glb.size() < 20) return false;
  const uint32_t length = glb[12] | glb[13] << 8 | glb[14] << 16 | static_cast<uint32_t>(glb[15]) << 24;
  if (glb.size() < 20 + static_cast<size_t>(length)) return false;
  return !nlohmann::json::parse(glb.begin() + 20, glb.begin() + 20 + length, nullptr, false).is_discarded();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CDataFileContent content;
  std::string error;
  if (!ParseDataFile(text, content, error)) {
    if (error.rfind("Line ", 0) != 0) std::abort();
    return 0;
  }
  CSingleImage model("");
  ApplyDataFile(model, std::move(content));
  const std::string written = DataFileText(model);
  CDataFileContent again;
  if (!ParseDataFile(written, again, error)) std::abort();
  CSingleImage reread("");
  ApplyDataFile(reread, std::move(again));
  if (DataFileText(reread) != written) std::abort();

  if (!GlbJsonParses(MakeGlb(model).bytes)) std::abort();
  MakeVrmlScene(model);
  MakeObj(model, "scene");
  return 0;
}
