#include "session/Session.h"

#include "camera/Calibration.h"
#include "model/SingleImage.h"

#include <cmath>

CSession::CSession() : m_replayed(std::make_unique<CReplayed>()) {}

CSession::~CSession() = default;

std::string CSession::Become(CState state, size_t* refusedIndex) {
  m_bPreviewing = false;
  m_previewActions.clear();
  if (!state.model) {
    m_replayed->Clear();
    m_state = std::move(state);
    return {};
  }
  if (const std::optional<CReplayProblem> problem =
          Replay(state.actions, *state.model, *m_replayed, state.positionSigma)) {
    if (refusedIndex) *refusedIndex = problem->index;
    // Back to the current state; its replay applied before and applies again.
    if (m_state.model) Replay(m_state.actions, *m_state.model, *m_replayed, m_state.positionSigma);
    else m_replayed->Clear();
    return problem->refusal;
  }
  m_state = std::move(state);
  return {};
}

void CSession::Push(std::string label) {
  m_undo.push_back({std::move(label), m_state});
  if (m_undo.size() > kUndoLimit) m_undo.erase(m_undo.begin());
  m_redo.clear();
}

std::string CSession::Append(std::vector<CAction> actions, std::string label) {
  if (!m_state.model) return "No source image is loaded.";
  // Appending works on the replayed state of the list itself.
  EndPreview();
  // The common case, one more action at the end, is applied on the current model alone.
  CActionList extended = m_state.actions;
  for (CAction& action : actions) extended.push_back(std::make_shared<const CAction>(std::move(action)));
  for (size_t i = m_state.actions.size(); i < extended.size(); ++i)
    if (const CAppliedAction applied = ApplyAction(*extended[i], *m_state.model, *m_replayed); !applied.refusal.empty()) {
      // A refused action changed nothing; the ones before it in this command are taken back.
      if (i > m_state.actions.size()) Replay(m_state.actions, *m_state.model, *m_replayed, m_state.positionSigma);
      return applied.refusal;
    }
  Push(std::move(label));
  m_state.actions = std::move(extended);
  m_state.serial = NextSerial();
  return {};
}

std::string CSession::Change(CState next, std::string label) {
  next.serial = NextSerial();
  CState previous = m_state;
  std::string refusal = Become(std::move(next));
  if (refusal.empty()) {
    m_undo.push_back({std::move(label), std::move(previous)});
    if (m_undo.size() > kUndoLimit) m_undo.erase(m_undo.begin());
    m_redo.clear();
  }
  return refusal;
}

std::string CSession::SetPositionSigma(double pixels, std::string label) {
  if (!(pixels > 0) || !std::isfinite(pixels)) return "The position noise must be a positive number of pixels.";
  CState next = m_state;
  next.positionSigma = pixels;
  return Change(std::move(next), std::move(label));
}

std::optional<double> CSession::GivenFocalPixels() const {
  if (!m_state.focal35mm || !m_state.model) return std::nullopt;
  return FocalPixelsFrom35mm(*m_state.focal35mm, m_state.model->GetWidth(), m_state.model->GetHeight());
}

std::string CSession::SetGivenFocal35mm(std::optional<double> millimetres, std::string label) {
  if (millimetres && (!(*millimetres > 0) || !std::isfinite(*millimetres)))
    return "The focal length must be a positive number of millimetres.";
  CState next = m_state;
  next.focal35mm = millimetres;
  return Change(std::move(next), std::move(label));
}

std::string CSession::Replace(CActionList actions, std::string label) {
  if (!m_state.model) return "No source image is loaded.";
  CState next = m_state;
  next.actions = std::move(actions);
  return Change(std::move(next), std::move(label));
}

std::string CSession::Preview(const CActionList& actions) {
  if (!m_state.model) return "No source image is loaded.";
  m_bPreviewing = true;
  m_previewActions = actions;
  if (const std::optional<CReplayProblem> problem =
          Replay(actions, *m_state.model, *m_replayed, m_state.positionSigma)) {
    EndPreview();
    return problem->refusal;
  }
  return {};
}

void CSession::EndPreview() {
  if (!m_bPreviewing) return;
  m_bPreviewing = false;
  m_previewActions.clear();
  Replay(m_state.actions, *m_state.model, *m_replayed, m_state.positionSigma);
}

std::optional<CActionList> CSession::MovedHandle(const CHandle& handle, std::array<double, 2> to) {
  if (!m_state.model) return std::nullopt;
  std::optional<CActionList> moved = MoveHandle(m_state.actions, handle, to, *m_state.model, m_state.positionSigma);
  // An action kept as dialog presses was driven again on the model replayed up to it.
  const CAction* action = handle.action < m_state.actions.size() ? m_state.actions[handle.action].get() : nullptr;
  const auto* point = action ? std::get_if<CPointAction>(action) : nullptr;
  const auto* parameters = action ? std::get_if<CParametersAction>(action) : nullptr;
  if ((point && !point->typed) || (parameters && !parameters->typed))
    Replay(m_bPreviewing ? m_previewActions : m_state.actions, *m_state.model, *m_replayed, m_state.positionSigma);
  return moved;
}

void CSession::StartPhotograph(std::shared_ptr<CSingleImage> model, CPhotographInfo photograph, std::string label) {
  Push(std::move(label));
  CState next{std::move(model), std::move(photograph), {}, NextSerial(), m_state.positionSigma};
  Become(std::move(next));
}

std::string CSession::Open(std::shared_ptr<CSingleImage> model, CPhotographInfo photograph, CActionList actions,
                           size_t* refusedIndex, double positionSigma, std::optional<double> focal35mm) {
  if (focal35mm && (!(*focal35mm > 0) || !std::isfinite(*focal35mm)))
    return "The focal length must be a positive number of millimetres.";
  CState next{std::move(model), std::move(photograph), std::move(actions), NextSerial(), positionSigma, focal35mm};
  if (std::string refusal = Become(std::move(next), refusedIndex); !refusal.empty()) return refusal;
  m_undo.clear();
  m_redo.clear();
  m_savedSerial = m_state.serial;
  return {};
}

void CSession::Clear() {
  Become(CState{nullptr, {}, {}, NextSerial(), m_state.positionSigma});
  m_undo.clear();
  m_redo.clear();
  m_savedSerial = m_state.serial;
}

void CSession::Undo() {
  if (m_undo.empty()) return;
  CStep step = std::move(m_undo.back());
  m_undo.pop_back();
  m_redo.push_back({step.label, m_state});
  Become(std::move(step.state));
}

void CSession::Redo() {
  if (m_redo.empty()) return;
  CStep step = std::move(m_redo.back());
  m_redo.pop_back();
  m_undo.push_back({step.label, m_state});
  Become(std::move(step.state));
}
