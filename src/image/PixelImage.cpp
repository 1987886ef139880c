#include "image/PixelImage.h"

#include <cstdint>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

// A photograph's buffer is written once from end to end; in 2 MiB pages that costs a few dozen
// page faults instead of tens of thousands.
constexpr size_t kHugePageBytes = size_t{2} << 20;

void AskForHugePages([[maybe_unused]] unsigned char* buffer, [[maybe_unused]] size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  const auto start = (reinterpret_cast<std::uintptr_t>(buffer) + kHugePageBytes - 1) & ~(kHugePageBytes - 1);
  const auto end = (reinterpret_cast<std::uintptr_t>(buffer) + bytes) & ~(kHugePageBytes - 1);
  if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#endif
}

}  // namespace

std::unique_ptr<unsigned char[]> AllocatePixels(size_t bytes) {
  std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[bytes > 0 ? bytes : 1]);
  if (buffer && bytes >= 4 * kHugePageBytes) AskForHugePages(buffer.get(), bytes);
  return buffer;
}

std::unique_ptr<unsigned char[]> AllocateZeroedPixels(size_t bytes) {
  return std::unique_ptr<unsigned char[]>(new (std::nothrow) unsigned char[bytes > 0 ? bytes : 1]());
}
