#include "app/PelorinDoc.h"

#include "services/SaveFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

std::string CPelorinDoc::GetTitle() const {
  if (m_pathName.empty()) return "Untitled";
  const size_t slash = m_pathName.find_last_of('/');
  return slash == std::string::npos ? m_pathName : m_pathName.substr(slash + 1);
}

std::string CPelorinDoc::SaveDocumentFile(const std::string& path) const {
  struct stat status {};
  if (stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0)
    return "the file " + path + " already holds data (" + std::to_string(status.st_size) +
           " bytes); the document's file is empty, so it would be lost. Choose another name.";
  const CSaveResult result = SaveFile(path, [](CFileSink&) {});
  return result ? std::string() : result.reason;
}

std::string CPelorinDoc::OpenDocumentFile(const std::string& path) const {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return "cannot open " + path + ": " + std::strerror(errno);
  std::fclose(file);
  return {};
}
