#pragma once
// The session: the one owner of a modelling job's inputs. It holds the photograph and the list
// of the user's actions; the scene model and everything beside it are derived by replaying that
// list. Every change is a command that can be undone and redone; a command that cannot be
// applied changes nothing and says why.

#include "session/Actions.h"
#include "session/Handles.h"
#include "session/Replay.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class CSingleImage;

class CSession {
 public:
  CSession();
  ~CSession();
  CSession(const CSession&) = delete;
  CSession& operator=(const CSession&) = delete;

  // The scene model of the photograph, as replayed; null before any photograph.
  CSingleImage* Model() const { return m_state.model.get(); }
  const CPhotographInfo& Photograph() const { return m_state.photograph; }
  const CActionList& Actions() const { return m_state.actions; }
  // What the model shows: the previewed list during a preview, the list otherwise.
  const CActionList& ShownActions() const { return m_bPreviewing ? m_previewActions : m_state.actions; }
  // The standard deviation of a typed image position, in pixels, on which every σ rests.
  double PositionSigma() const { return m_state.positionSigma; }
  // Sets it as one command; refused unless it is a positive number.
  std::string SetPositionSigma(double pixels, std::string label);
  // The 35 mm equivalent focal length the user gave for the photograph's camera, in millimetres:
  // needed where only one vanishing point is finite. None until given; a new photograph has none.
  std::optional<double> GivenFocal35mm() const { return m_state.focal35mm; }
  // The same in pixels of the photograph, for the calibration.
  std::optional<double> GivenFocalPixels() const;
  // Sets it (none to forget it) as one command; refused unless it is a positive number.
  std::string SetGivenFocal35mm(std::optional<double> millimetres, std::string label);
  const CReplayed& Replayed() const { return *m_replayed; }
  // For tests and tools that set a state up directly; the next replay forgets what they did.
  CReplayed& Replayed() { return *m_replayed; }

  // Appends actions as one command named `label` ("Add Point 7"). "" when applied; otherwise
  // the refusal, and the session is as it was.
  std::string Append(std::vector<CAction> actions, std::string label);
  // Replaces the whole list as one command (an earlier action edited or removed).
  std::string Replace(CActionList actions, std::string label);
  // Shows `actions` in place of the list without a command, while the user is still changing
  // them (a drag): the model and everything replayed follow them; the list, undo, redo and the
  // saved state do not. "" when they apply; otherwise the refusal, and the list is shown again.
  // Replace makes a preview a command; EndPreview drops it.
  std::string Preview(const CActionList& actions);
  void EndPreview();
  bool IsPreviewing() const { return m_bPreviewing; }
  // The list with a handle moved (MoveHandle), while what is shown stays as it is; none when the
  // handle's action cannot be edited so.
  std::optional<CActionList> MovedHandle(const CHandle& handle, std::array<double, 2> to);
  // A new photograph with no actions, as one command: undoing it brings the previous photograph
  // back with everything done on it.
  void StartPhotograph(std::shared_ptr<CSingleImage> model, CPhotographInfo photograph, std::string label);
  // Opens a job: its photograph and actions, with no history and nothing unsaved. On a refusal
  // the session is unchanged and `place` holds the index of the action refused.
  std::string Open(std::shared_ptr<CSingleImage> model, CPhotographInfo photograph, CActionList actions,
                   size_t* refusedIndex = nullptr, double positionSigma = kImagePositionSigma,
                   std::optional<double> focal35mm = {});
  // An empty session: no photograph, no history, nothing unsaved.
  void Clear();

  // Undo and redo keep at least this many steps.
  static constexpr size_t kUndoLimit = 500;
  bool CanUndo() const { return !m_undo.empty(); }
  bool CanRedo() const { return !m_redo.empty(); }
  // The command's name, "" when there is none.
  std::string UndoName() const { return m_undo.empty() ? std::string() : m_undo.back().label; }
  std::string RedoName() const { return m_redo.empty() ? std::string() : m_redo.back().label; }
  void Undo();
  void Redo();

  // Changes since the last save (or open, or clear).
  bool IsModified() const { return m_state.serial != m_savedSerial; }
  void MarkSaved() { m_savedSerial = m_state.serial; }
  // What is there now is not in the file (work restored after a crash, a photograph found elsewhere).
  void MarkUnsaved() { m_savedSerial = 0; }
  // Changes whenever the inputs change: a command, an undo, a redo, an open.
  unsigned long long Serial() const { return m_state.serial; }

 private:
  struct CState {
    std::shared_ptr<CSingleImage> model;
    CPhotographInfo photograph;
    CActionList actions;
    unsigned long long serial = 0;
    double positionSigma = kImagePositionSigma;
    std::optional<double> focal35mm = {};
  };
  struct CStep {
    std::string label;
    CState state;
  };

  // Replays the state's actions on its model; the state becomes current when they all apply.
  std::string Become(CState state, size_t* refusedIndex = nullptr);
  void Push(std::string label);
  // Makes `next` current as one command named `label`, when its actions all apply.
  std::string Change(CState next, std::string label);
  unsigned long long NextSerial() { return ++m_lastSerial; }

  CState m_state;
  std::unique_ptr<CReplayed> m_replayed;
  std::vector<CStep> m_undo, m_redo;
  unsigned long long m_lastSerial = 0;
  unsigned long long m_savedSerial = 0;
  bool m_bPreviewing = false;
  CActionList m_previewActions;
};
