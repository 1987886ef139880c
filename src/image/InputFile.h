#pragma once
// A file opened for reading in byte mode, refused unless it is a regular file. The file is
// opened without blocking, so a FIFO or a device given as a picture is refused at once instead
// of waiting for a writer; reads after the check block as usual.

#include <cstddef>
#include <cstdio>
#include <string>

class CInputFile {
 public:
  explicit CInputFile(const std::string& path);
  ~CInputFile();
  CInputFile(const CInputFile&) = delete;
  CInputFile& operator=(const CInputFile&) = delete;

  // Null when the file is missing, unreadable or not a regular file; Problem() says which.
  std::FILE* Get() const { return m_pFile; }
  const std::string& Problem() const { return m_problem; }
  // True when the path names something that exists but is no regular file (a folder, a FIFO).
  bool NotRegularFile() const { return m_bNotRegularFile; }
  long long Size() const { return m_nSize; }

  bool ReadExactly(void* target, size_t bytes) { return std::fread(target, 1, bytes, m_pFile) == bytes; }
  // Closes now; false when closing reported an error.
  bool Close();

 private:
  std::FILE* m_pFile = nullptr;
  std::string m_problem;
  long long m_nSize = 0;
  bool m_bNotRegularFile = false;
};
