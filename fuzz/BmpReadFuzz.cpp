// libFuzzer target: any byte string handed to the BMP reader is read or refused, never more.
// The input goes through an in-memory file so that the reader opens it by path as usual.

#include "image/Bmp.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

int MemoryFile() {
  static const int fd = memfd_create("bmp-fuzz", 0);
  return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int fd = MemoryFile();
  if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
  const CBmpReadResult result = ReadBmpFile("/proc/self/fd/" + std::to_string(fd));
  if (result.Succeeded()) {
    if (!result.image.pixels || result.image.width < 1 || result.image.height < 1) std::abort();
    // Touch every byte the reader claims to have filled.
    unsigned sum = 0;
    for (size_t i = 0; i < result.image.ByteCount(); ++i) sum += result.image.pixels[i];
    if (sum == 0xFFFFFFFFu) std::puts("");
  } else if (result.image.pixels || result.reason.empty()) {
    std::abort();
  }
  return 0;
}
