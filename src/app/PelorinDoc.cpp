#include "app/PelorinDoc.h"

#include "services/SaveFile.h"
#include "session/Project.h"

#include <cstdio>
#include <sys/stat.h>

namespace {

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

// A project or a job starts with "{", after any blanks.
bool HoldsOtherData(const std::string& path) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size == 0) return false;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  int c;
  while ((c = std::fgetc(file)) == ' ' || c == '\n' || c == '\r' || c == '\t') {
  }
  std::fclose(file);
  return c != '{';
}

}  // namespace

std::string CPelorinDoc::Append(std::vector<CAction> actions, const std::string& label) {
  std::string refusal = m_session.Append(std::move(actions), label);
  if (refusal.empty()) Changed();
  return refusal;
}

std::string CPelorinDoc::Replace(CActionList actions, const std::string& label) {
  std::string refusal = m_session.Replace(std::move(actions), label);
  if (refusal.empty()) Changed();
  return refusal;
}

void CPelorinDoc::StartPhotograph(std::unique_ptr<CSingleImage> model, CPhotographInfo photograph) {
  const std::string name = photograph.path.substr(photograph.path.find_last_of('/') + 1);
  m_session.StartPhotograph(std::move(model), std::move(photograph), "Load Photograph " + name);
  // Work on another photograph is new work: saving it must not replace the project it left.
  m_pathName.clear();
  Changed();
}

std::string CPelorinDoc::SetPositionSigma(double pixels) {
  std::string refusal = m_session.SetPositionSigma(pixels, "Set Position Noise");
  if (refusal.empty()) Changed();
  return refusal;
}

std::string CPelorinDoc::SetGivenFocal35mm(std::optional<double> millimetres) {
  std::string refusal =
      m_session.SetGivenFocal35mm(millimetres, millimetres ? "Set Focal Length" : "Clear Focal Length");
  if (refusal.empty()) Changed();
  return refusal;
}

std::string CPelorinDoc::Open(std::unique_ptr<CSingleImage> model, CPhotographInfo photograph, CActionList actions,
                              size_t* refusedIndex, double positionSigma, std::optional<double> focal35mm) {
  std::string refusal = m_session.Open(std::move(model), std::move(photograph), std::move(actions), refusedIndex,
                                       positionSigma, focal35mm);
  if (refusal.empty()) Changed();
  return refusal;
}

void CPelorinDoc::Undo() {
  if (!m_session.CanUndo()) return;
  m_session.Undo();
  Changed();
}

void CPelorinDoc::Redo() {
  if (!m_session.CanRedo()) return;
  m_session.Redo();
  Changed();
}

void CPelorinDoc::Clear() {
  m_session.Clear();
  m_pathName.clear();
  Changed();
}

void CPelorinDoc::Changed() {
  if (m_onChanged) m_onChanged();
}

bool CPelorinDoc::HasUnsavedWork() const {
  if (!m_session.IsModified()) return false;
  return !m_session.Actions().empty() || !m_pathName.empty();
}

std::string CPelorinDoc::GetTitle() const {
  std::string title = "Untitled";
  if (!m_pathName.empty()) {
    const size_t slash = m_pathName.find_last_of('/');
    title = slash == std::string::npos ? m_pathName : m_pathName.substr(slash + 1);
  }
  return HasUnsavedWork() ? title + "*" : title;
}

std::string CPelorinDoc::SaveCopy(const std::string& path) const {
  if (HoldsOtherData(path))
    return "the file " + path + " already holds data that is not a Pelorin project; it would be lost. Choose another name.";
  const std::string text =
      ProjectText(m_session.Photograph(), m_session.Actions(), FolderOf(path), m_session.PositionSigma(),
                  m_session.GivenFocal35mm());
  const CSaveResult result = SaveFile(path, [&text](CFileSink& sink) { sink.Write(text); });
  return result ? std::string() : result.reason;
}

std::string CPelorinDoc::SaveProject(const std::string& path) {
  std::string reason = SaveCopy(path);
  if (!reason.empty()) return reason;
  m_pathName = path;
  m_session.MarkSaved();
  Changed();
  return {};
}
