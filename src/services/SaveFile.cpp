#include "services/SaveFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t kSinkBufferBytes = 1 << 18;
constexpr int kMaxSymlinkHops = 40;

std::string ErrnoText(int error) { return std::strerror(error); }

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// A hidden name of fixed length beside the target, for mkostemp: a target's name may already
// have the longest length the file system takes.
std::string TemporaryPattern(const std::string& target) {
  const size_t slash = target.find_last_of('/');
  return (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + ".pelorin-XXXXXX";
}

// Where the bytes really go: the path itself, or the file at the end of its chain of links.
struct CSaveTarget {
  std::string path;
  bool exists = false;
  struct stat status {};
  std::string error;  // non-empty when the path cannot be saved to
};

CSaveTarget ResolveTarget(const std::string& requested) {
  CSaveTarget target;
  target.path = requested;
  for (int hop = 0; hop <= kMaxSymlinkHops; ++hop) {
    struct stat linkStatus {};
    if (lstat(target.path.c_str(), &linkStatus) != 0) {
      if (errno == ENOENT) return target;  // a new file (possibly named by a dangling link)
      target.error = requested + ": " + ErrnoText(errno);
      return target;
    }
    if (!S_ISLNK(linkStatus.st_mode)) {
      if (!S_ISREG(linkStatus.st_mode)) {
        target.error = requested + " is not a regular file";
        return target;
      }
      target.exists = true;
      target.status = linkStatus;
      return target;
    }
    std::vector<char> link(static_cast<size_t>(linkStatus.st_size > 0 ? linkStatus.st_size : 255) + 1);
    const ssize_t length = readlink(target.path.c_str(), link.data(), link.size());
    if (length < 0 || static_cast<size_t>(length) >= link.size()) {
      target.error = requested + ": the symbolic link cannot be read";
      return target;
    }
    std::string next(link.data(), static_cast<size_t>(length));
    target.path = next.front() == '/' ? next : FolderOf(target.path) + "/" + next;
  }
  target.error = requested + ": " + ErrnoText(ELOOP);
  return target;
}

mode_t ModeForNewFile() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

void SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);  // best effort: the rename itself has already succeeded
  close(fd);
}

CSaveResult Failure(std::string reason, bool damaged = false) {
  CSaveResult result;
  result.reason = std::move(reason);
  result.previousFileDamaged = damaged;
  return result;
}

CSaveResult OpenFailure(std::string reason) {
  CSaveResult result = Failure(std::move(reason));
  result.couldNotOpen = true;
  return result;
}

CSaveResult Success() {
  CSaveResult result;
  result.ok = true;
  return result;
}

// Writes the content and makes it durable; the reason on failure, empty on success.
std::string WriteAndSync(int fd, const SaveContentWriter& writeContent, const std::string& path,
                         unsigned long long* bytesWritten) {
  CFileSink sink(fd);
  writeContent(sink);
  const bool flushed = sink.Flush();
  *bytesWritten = sink.BytesWritten();
  if (!flushed) return "cannot write " + path + ": " + sink.Failure();
  if (fsync(fd) != 0) return "cannot write " + path + ": " + ErrnoText(errno);
  return {};
}

CSaveResult SaveInPlace(const CSaveTarget& target, const SaveContentWriter& writeContent) {
  const int fd = open(target.path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return OpenFailure("cannot write " + target.path + ": " + ErrnoText(errno));
  unsigned long long written = 0;
  std::string error = WriteAndSync(fd, writeContent, target.path, &written);
  if (error.empty() && ftruncate(fd, static_cast<off_t>(written)) != 0)
    error = "cannot write " + target.path + ": " + ErrnoText(errno);
  if (close(fd) != 0 && error.empty()) error = "cannot write " + target.path + ": " + ErrnoText(errno);
  if (!error.empty()) {
    const bool damaged = written > 0;
    if (damaged)
      error += " (its folder takes no new files, so it was rewritten in place and its previous "
               "content is lost)";
    return Failure(error, damaged);
  }
  return Success();
}

}  // namespace

CFileSink::CFileSink(int fileDescriptor) : m_nFileDescriptor(fileDescriptor), m_buffer(kSinkBufferBytes) {}

bool CFileSink::WriteAll(const unsigned char* data, size_t size) {
  while (size > 0) {
    const ssize_t done = ::write(m_nFileDescriptor, data, size);
    if (done < 0) {
      if (errno == EINTR) continue;
      m_failure = ErrnoText(errno);
      return false;
    }
    data += done;
    size -= static_cast<size_t>(done);
    m_nBytesWritten += static_cast<unsigned long long>(done);
  }
  return true;
}

void CFileSink::Write(const void* data, size_t size) {
  if (Failed()) return;
  const auto* bytes = static_cast<const unsigned char*>(data);
  if (m_nBuffered + size <= m_buffer.size()) {
    std::memcpy(m_buffer.data() + m_nBuffered, bytes, size);
    m_nBuffered += size;
    return;
  }
  if (!Flush()) return;
  if (size >= m_buffer.size()) {
    WriteAll(bytes, size);  // large blocks go straight to the file
    return;
  }
  std::memcpy(m_buffer.data(), bytes, size);
  m_nBuffered = size;
}

void CFileSink::Fail(std::string reason) {
  if (!Failed()) m_failure = reason.empty() ? "the content could not be produced" : std::move(reason);
}

bool CFileSink::Flush() {
  if (Failed()) return false;
  const size_t pending = m_nBuffered;
  m_nBuffered = 0;
  return WriteAll(m_buffer.data(), pending);
}

namespace {

// Writes the content into a new temporary file beside the target, with the target's permissions;
// the temporary's path, or a failure. In-place writes are the caller's fallback.
struct CTemporary {
  std::string path;
  CSaveResult failure;
  bool folderTakesNoFiles = false;
};

CTemporary WriteTemporary(const CSaveTarget& target, const SaveContentWriter& writeContent) {
  CTemporary result;
  std::string temporary = TemporaryPattern(target.path);
  const int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) {
    result.folderTakesNoFiles = true;
    result.failure = OpenFailure("cannot create a file in " + FolderOf(target.path) + ": " + ErrnoText(errno));
    return result;
  }
  unsigned long long written = 0;
  std::string error = WriteAndSync(fd, writeContent, target.path, &written);
  if (error.empty()) {
    if (target.exists) {
      // Root may hand the file back to its owner; anyone else keeps the file as theirs.
      [[maybe_unused]] const int ignored = fchown(fd, target.status.st_uid, target.status.st_gid);
      if (fchmod(fd, target.status.st_mode & 07777) != 0)
        error = "cannot set the permissions of " + target.path + ": " + ErrnoText(errno);
    } else if (fchmod(fd, ModeForNewFile()) != 0) {
      error = "cannot set the permissions of " + target.path + ": " + ErrnoText(errno);
    }
  }
  if (close(fd) != 0 && error.empty()) error = "cannot write " + target.path + ": " + ErrnoText(errno);
  if (!error.empty()) {
    unlink(temporary.c_str());
    result.failure = Failure(error);
    return result;
  }
  result.path = temporary;
  return result;
}

CSaveResult MoveIntoPlace(const std::string& temporary, const std::string& target) {
  if (rename(temporary.c_str(), target.c_str()) != 0) {
    const std::string error = "cannot replace " + target + ": " + ErrnoText(errno);
    unlink(temporary.c_str());
    return Failure(error);
  }
  SyncFolder(FolderOf(target));
  return Success();
}

}  // namespace

CSaveResult SaveFile(const std::string& path, const SaveContentWriter& writeContent) {
  if (path.empty()) return OpenFailure("no file name was given");
  const CSaveTarget target = ResolveTarget(path);
  if (!target.error.empty()) return OpenFailure(target.error);
  const CTemporary temporary = WriteTemporary(target, writeContent);
  if (temporary.path.empty()) {
    if (temporary.folderTakesNoFiles && target.exists && access(target.path.c_str(), W_OK) == 0)
      return SaveInPlace(target, writeContent);
    return temporary.failure;
  }
  return MoveIntoPlace(temporary.path, target.path);
}

CStagedFile::CStagedFile(CStagedFile&& other) noexcept { *this = std::move(other); }

CStagedFile& CStagedFile::operator=(CStagedFile&& other) noexcept {
  if (this != &other) {
    Discard();
    m_temporary = std::move(other.m_temporary);
    m_target = std::move(other.m_target);
    m_requested = std::move(other.m_requested);
    other.m_temporary.clear();
  }
  return *this;
}

CStagedFile::~CStagedFile() { Discard(); }

void CStagedFile::Discard() {
  if (!m_temporary.empty()) unlink(m_temporary.c_str());
  m_temporary.clear();
}

CSaveResult CStagedFile::Stage(const std::string& path, const SaveContentWriter& writeContent) {
  Discard();
  if (path.empty()) return OpenFailure("no file name was given");
  const CSaveTarget target = ResolveTarget(path);
  if (!target.error.empty()) return OpenFailure(target.error);
  const CTemporary temporary = WriteTemporary(target, writeContent);
  if (temporary.path.empty()) return temporary.failure;
  m_temporary = temporary.path;
  m_target = target.path;
  m_requested = path;
  return Success();
}

CSaveResult CStagedFile::Commit() {
  if (m_temporary.empty()) return Failure("nothing was staged for " + m_target);
  const std::string temporary = m_temporary;
  m_temporary.clear();
  return MoveIntoPlace(temporary, m_target);
}

bool CStagedFile::RenameIntoPlace() {
  if (m_temporary.empty()) {
    errno = ENOENT;
    return false;
  }
  if (rename(m_temporary.c_str(), m_target.c_str()) != 0) return false;
  m_temporary.clear();
  return true;
}

namespace {

// The previous content of a file that a commit replaces, under a temporary name in its folder:
// a second link to it, or a copy where the file cannot be linked (a file system without links,
// another user's file). Put back, or removed once it is not needed.
class CKeptFile {
 public:
  CKeptFile() = default;
  CKeptFile(CKeptFile&& other) noexcept : m_kept(std::move(other.m_kept)) { other.m_kept.clear(); }
  CKeptFile& operator=(CKeptFile&&) = delete;
  ~CKeptFile() {
    if (!m_kept.empty()) unlink(m_kept.c_str());
  }

  // The reason on failure, empty on success.
  std::string Keep(const CSaveTarget& target) {
    // Only a file of one's own is linked: in a sticky folder nobody else could remove the link.
    const int attempts = target.status.st_uid == geteuid() ? kLinkAttempts : 0;
    for (int attempt = 0; attempt < attempts; ++attempt) {
      // mkostemp finds a free name; link needs it free again.
      std::string name = TemporaryPattern(target.path);
      const int fd = mkostemp(name.data(), O_CLOEXEC);
      if (fd < 0) return "cannot create a file in " + FolderOf(target.path) + ": " + ErrnoText(errno);
      close(fd);
      unlink(name.c_str());
      if (link(target.path.c_str(), name.c_str()) == 0) {
        m_kept = name;
        return {};
      }
      if (errno != EEXIST) break;
    }
    const int source = open(target.path.c_str(), O_RDONLY | O_CLOEXEC);
    if (source < 0) return "cannot keep the previous " + target.path + " while it is replaced: " + ErrnoText(errno);
    const CTemporary copy = WriteTemporary(target, [source](CFileSink& sink) {
      std::vector<char> block(kSinkBufferBytes);
      for (;;) {
        const ssize_t got = read(source, block.data(), block.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return sink.Fail("cannot read the previous file: " + ErrnoText(errno));
        if (got == 0) return;
        sink.Write(block.data(), static_cast<size_t>(got));
      }
    });
    close(source);
    if (copy.path.empty()) return copy.failure.reason;
    m_kept = copy.path;
    return {};
  }

  // Puts the previous content back in the target's place; false when that failed, and then the
  // kept file stays where it is, for the user.
  bool PutBack(const std::string& target) {
    const bool putBack = rename(m_kept.c_str(), target.c_str()) == 0;
    m_kept.clear();
    return putBack;
  }
  const std::string& Path() const { return m_kept; }

 private:
  static constexpr int kLinkAttempts = 8;
  std::string m_kept;
};

}  // namespace

CSaveResult CommitTogether(std::vector<CStagedFile>& files, size_t* failedFile) {
  const auto failAt = [failedFile](size_t index, std::string reason) {
    if (failedFile) *failedFile = index;
    return Failure(std::move(reason));
  };
  for (size_t i = 0; i < files.size(); ++i)
    for (size_t j = 0; j < i; ++j)
      if (files[i].Target() == files[j].Target())
        return failAt(i, files[i].Requested() + " is the same file as " + files[j].Requested());

  // Every file to be replaced is kept first: no rename happens unless all can be undone.
  std::vector<CKeptFile> kept(files.size());
  for (size_t i = 0; i < files.size(); ++i) {
    const CSaveTarget target = ResolveTarget(files[i].Target());
    if (!target.error.empty()) return failAt(i, target.error);
    if (!target.exists) continue;
    if (std::string error = kept[i].Keep(target); !error.empty()) return failAt(i, error);
  }
  for (size_t i = 0; i < files.size(); ++i) {
    if (!files[i].RenameIntoPlace()) {
      std::string reason = "cannot replace " + files[i].Target() + ": " + ErrnoText(errno);
      for (size_t j = i; j-- > 0;) {
        const std::string& target = files[j].Target();
        if (!kept[j].Path().empty()) {
          const std::string keptPath = kept[j].Path();
          if (!kept[j].PutBack(target))
            reason += "; " + target + " is written, and its previous content is in " + keptPath;
        } else if (unlink(target.c_str()) != 0) {
          reason += "; " + target + " is written and cannot be removed";
        }
      }
      return failAt(i, reason);
    }
  }
  for (const CStagedFile& file : files) SyncFolder(FolderOf(file.Target()));
  return Success();
}

CSaveResult SaveFilesTogether(const std::vector<CFileContent>& files) {
  std::vector<CStagedFile> staged(files.size());
  for (size_t i = 0; i < files.size(); ++i) {
    const CSaveResult result = staged[i].Stage(files[i].path, [&](CFileSink& sink) { sink.Write(files[i].bytes); });
    if (!result) return result;  // the staged ones are removed with `staged`
  }
  return CommitTogether(staged);
}
