#include "app/UserGuide.h"

#include <filesystem>

std::vector<std::string> UserGuideCandidates(const std::string& programFolder) {
  const std::filesystem::path installed = std::filesystem::path(programFolder) / PELORIN_GUIDE_FROM_PROGRAM / "guide.md";
  return {installed.lexically_normal().string(), std::string(PELORIN_SOURCE_DOCS) + "/guide.md"};
}

std::optional<std::string> FindUserGuide(const std::string& programFolder) {
  for (const std::string& candidate : UserGuideCandidates(programFolder)) {
    std::error_code error;
    if (std::filesystem::is_regular_file(candidate, error)) return candidate;
  }
  return std::nullopt;
}
