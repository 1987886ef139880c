#pragma once
// The one way the program saves a file. The content goes to a temporary file in the target's
// folder (a hidden name of fixed length, so that a name of the longest length the file system
// takes still saves), which is flushed, synced and renamed over the target only once complete,
// so a failed save leaves neither a partial file nor a damaged previous one. The target keeps
// its permission bits (and owner, where we may set it); a symbolic link is written through to
// the file it names. Where the folder cannot take a new file but the file itself is writable,
// the file is rewritten in place with every write checked; only then can a failure damage the
// old content, and the result says so.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Buffered, checked output for a save. After the first failure every write is ignored.
class CFileSink {
 public:
  explicit CFileSink(int fileDescriptor);
  CFileSink(const CFileSink&) = delete;
  CFileSink& operator=(const CFileSink&) = delete;

  void Write(const void* data, size_t size);
  void Write(std::string_view text) { Write(text.data(), text.size()); }
  // Marks the save as failed for a reason of the writer's own (nothing more is written).
  void Fail(std::string reason);
  // Writes out what is buffered; false once anything failed.
  bool Flush();

  bool Failed() const { return !m_failure.empty(); }
  const std::string& Failure() const { return m_failure; }
  unsigned long long BytesWritten() const { return m_nBytesWritten; }

 private:
  bool WriteAll(const unsigned char* data, size_t size);

  int m_nFileDescriptor;
  std::vector<unsigned char> m_buffer;
  size_t m_nBuffered = 0;
  unsigned long long m_nBytesWritten = 0;
  std::string m_failure;
};

struct CSaveResult {
  bool ok = false;
  std::string reason;                // for the user; empty on success
  bool previousFileDamaged = false;  // only a failed in-place write can damage the old file
  bool couldNotOpen = false;         // failed before any byte was written: no file could be opened
  explicit operator bool() const { return ok; }
};

using SaveContentWriter = std::function<void(CFileSink&)>;

CSaveResult SaveFile(const std::string& path, const SaveContentWriter& writeContent);

// A save in two steps, for several files that must appear together or not at all: Stage
// writes and syncs the temporary file beside the target, Commit puts it in the target's place.
// A staged file that is never committed is removed. Staging needs a folder that takes new files.
class CStagedFile {
 public:
  CStagedFile() = default;
  CStagedFile(CStagedFile&& other) noexcept;
  CStagedFile& operator=(CStagedFile&& other) noexcept;
  CStagedFile(const CStagedFile&) = delete;
  CStagedFile& operator=(const CStagedFile&) = delete;
  ~CStagedFile();

  CSaveResult Stage(const std::string& path, const SaveContentWriter& writeContent);
  CSaveResult Commit();
  // The file that Commit replaces (the end of a chain of links), and the path as given.
  const std::string& Target() const { return m_target; }
  const std::string& Requested() const { return m_requested; }

 private:
  friend CSaveResult CommitTogether(std::vector<CStagedFile>& files, size_t* failedFile);
  // The rename alone; false with errno set.
  bool RenameIntoPlace();
  void Discard();

  std::string m_temporary;
  std::string m_target;
  std::string m_requested;
};

// Commits every staged file or none. Each file that a commit replaces is kept first (a second
// link, or a copy where it cannot be linked) until every rename has succeeded; when one fails,
// the files already in place are put back as they were and new ones removed. Should one of those
// fail too, the reason says which file is left written and where its previous content is.
// A file staged twice (also through a link) is refused before anything changes. failedFile, if
// given, receives the index of the file named first in the reason.
CSaveResult CommitTogether(std::vector<CStagedFile>& files, size_t* failedFile = nullptr);

struct CFileContent {
  std::string path;
  std::string bytes;
};

// Saves every file or none: all are staged first, and committed together only when all could be.
CSaveResult SaveFilesTogether(const std::vector<CFileContent>& files);
