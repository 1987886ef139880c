#include "app/Recovery.h"

#include "app/PelorinDoc.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kPrefix = "recovery-";
constexpr const char* kSuffix = ".pelorin";

void MakeFolders(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
    mkdir(path.substr(0, slash).c_str(), 0700);
  mkdir(path.c_str(), 0700);
}

std::string ProcFile(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Whether the program that wrote a recovery file still runs: a process of that id that is this
// same program and not a zombie. A process id is reused once its process has gone, and a killed
// program's process stays a zombie until its parent collects it; neither keeps its work safe.
// Where /proc is not there, any live process of that id counts.
bool StillRuns(pid_t pid) {
  if (kill(pid, 0) != 0 && errno != EPERM) return false;
  const std::string id = std::to_string(pid);
  const std::string stat = ProcFile("/proc/" + id + "/stat");
  const std::string own = ProcFile("/proc/self/comm");
  if (stat.empty() || own.empty()) return true;
  // The state follows the command name in parentheses, which may itself hold ") ".
  const size_t close = stat.rfind(") ");
  if (close != std::string::npos && close + 2 < stat.size() && (stat[close + 2] == 'Z' || stat[close + 2] == 'X'))
    return false;
  return ProcFile("/proc/" + id + "/comm") == own;
}

}  // namespace

std::string CRecovery::Folder() {
  std::string base;
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/')
    base = state;
  else if (const char* home = std::getenv("HOME"); home && *home == '/')
    base = std::string(home) + "/.local/state";
  else
    return {};
  const std::string folder = base + "/pelorin";
  MakeFolders(folder);
  return folder;
}

CRecovery::CRecovery() {
  const std::string folder = Folder();
  if (!folder.empty()) m_path = folder + "/" + kPrefix + std::to_string(getpid()) + kSuffix;
}

void CRecovery::Write(const CPelorinDoc& document) {
  if (m_path.empty()) return;
  // Saved work is in its project file; only what would be lost is kept here.
  if (!document.HasUnsavedWork()) {
    Remove();
    return;
  }
  // A recovery file that cannot be written leaves the work as it is; nothing to tell mid-command.
  document.SaveCopy(m_path);
}

void CRecovery::Remove() {
  if (!m_path.empty()) unlink(m_path.c_str());
}

std::vector<std::string> CRecovery::LeftBehind() {
  const std::string folder = Folder();
  std::vector<std::pair<long long, std::string>> found;
  if (DIR* dir = folder.empty() ? nullptr : opendir(folder.c_str())) {
    while (const dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      const std::string suffix = kSuffix;
      if (name.rfind(kPrefix, 0) != 0 || name.size() <= suffix.size() + 9 ||
          name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        continue;
      const std::string digits = name.substr(9, name.size() - 9 - suffix.size());
      if (digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 9) continue;
      const pid_t pid = static_cast<pid_t>(std::stol(digits));
      if (StillRuns(pid)) continue;
      struct stat status {};
      const std::string path = folder + "/" + name;
      if (stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode)) found.push_back({status.st_mtime, path});
    }
    closedir(dir);
  }
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  std::vector<std::string> paths;
  for (auto& [time, path] : found) paths.push_back(std::move(path));
  return paths;
}
