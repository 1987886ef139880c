#pragma once
// The document: its session (the photograph and the user's actions, from which the scene model
// and everything computed are replayed) and the project file it is saved in. Every change goes
// through a command of the session, so it can be undone, and is announced once to whoever
// shows the document.

#include "metrology/MeasurementLog.h"
#include "model/SingleImage.h"
#include "session/Session.h"

#include <functional>
#include <memory>
#include <string>

class CPelorinDoc {
 public:
  CSession& Session() { return m_session; }
  const CSession& Session() const { return m_session; }
  CSingleImage* GetSingleImage() const { return m_session.Model(); }
  // The segments of direction 0 (X), 1 (Y) or 2 (Z) that count, centred, as replayed.
  CSegmentList& Lines(int axis) { return m_session.Replayed().lines[axis]; }
  // Where the measurements came from, for their uncertainty.
  CMeasurementLog& MeasurementLog() { return m_session.Replayed().log; }

  // Commands: "" when done (the change is announced), otherwise why nothing changed.
  std::string Append(std::vector<CAction> actions, const std::string& label);
  std::string Replace(CActionList actions, const std::string& label);
  void StartPhotograph(std::unique_ptr<CSingleImage> model, CPhotographInfo photograph);
  // Shows an edited list while the user is still changing it (a drag), without a command and
  // without announcing a change; Replace makes it one.
  std::string Preview(const CActionList& actions) { return m_session.Preview(actions); }
  void EndPreview() { m_session.EndPreview(); }
  // A project's photograph and actions, with no history; on a refusal nothing changes and
  // `refusedIndex` names the action.
  std::string Open(std::unique_ptr<CSingleImage> model, CPhotographInfo photograph, CActionList actions,
                   size_t* refusedIndex, double positionSigma, std::optional<double> focal35mm = {});
  std::string SetPositionSigma(double pixels);
  // The 35 mm equivalent focal length for a one-point photograph's camera; none forgets it.
  std::string SetGivenFocal35mm(std::optional<double> millimetres);
  void Undo();
  void Redo();
  // Runs after every change of the session.
  void SetChangedHandler(std::function<void()> handler) { m_onChanged = std::move(handler); }

  // An empty session and an untitled document.
  void Clear();

  // The project file: empty for an untitled document.
  const std::string& GetPathName() const { return m_pathName; }
  void SetPathName(std::string path) { m_pathName = std::move(path); }
  // "Untitled", or the file name without its folders; with "*" while there is unsaved work.
  std::string GetTitle() const;
  // Work that would be lost: changes since the last save, unless nothing but a photograph was
  // loaded into an untitled document.
  bool HasUnsavedWork() const;

  // Writes the project through the save routine; "" on success (the document then has the path
  // and nothing unsaved), otherwise the reason, and the previous file is as it was. A file that
  // holds something other than a project is never replaced: it would be a data file or a
  // photograph chosen by mistake.
  std::string SaveProject(const std::string& path);
  // Writes the project to another place without making it the document's file.
  std::string SaveCopy(const std::string& path) const;

 private:
  void Changed();

  CSession m_session;
  std::string m_pathName;
  std::function<void()> m_onChanged;
};
