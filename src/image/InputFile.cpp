#include "image/InputFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CInputFile::CInputFile(const std::string& path) {
  const int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0) {
    m_problem = "cannot open " + path + ": " + std::strerror(errno);
    return;
  }
  struct stat status {};
  if (fstat(descriptor, &status) != 0) {
    m_problem = "cannot open " + path + ": " + std::strerror(errno);
  } else if (S_ISDIR(status.st_mode)) {
    m_problem = path + " is a folder, not a picture file";
    m_bNotRegularFile = true;
  } else if (!S_ISREG(status.st_mode)) {
    m_problem = path + " is not a regular file (a pipe or a device cannot be read as a picture)";
    m_bNotRegularFile = true;
  } else if (fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK) != 0 ||
             !(m_pFile = fdopen(descriptor, "rb"))) {
    m_problem = "cannot open " + path + ": " + std::strerror(errno);
  }
  if (!m_pFile) {
    close(descriptor);
    return;
  }
  m_nSize = static_cast<long long>(status.st_size);
}

CInputFile::~CInputFile() {
  if (m_pFile) std::fclose(m_pFile);
}

bool CInputFile::Close() {
  const int status = std::fclose(m_pFile);
  m_pFile = nullptr;
  return status == 0;
}
