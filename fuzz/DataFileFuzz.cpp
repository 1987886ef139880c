// libFuzzer target: any text handed to the data-file reader is refused or read whole; what it
// reads writes out as a file that reads back to the same text.

#include "model/DataFile.h"
#include "model/SingleImage.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

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
  return 0;
}
