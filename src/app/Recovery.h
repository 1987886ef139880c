#pragma once
// Crash recovery: after every change the session is written, through the save routine, to
// recovery-PID.pelorin in the user's state folder ($XDG_STATE_HOME/pelorin, or
// ~/.local/state/pelorin); a normal end removes it. A file whose process no longer runs was left
// by a program that did not end normally, and is offered for restoring at the next start.

#include <string>
#include <vector>

class CPelorinDoc;

class CRecovery {
 public:
  CRecovery();
  // The folder, made when missing; "" when there is no home to put it in.
  static std::string Folder();
  const std::string& Path() const { return m_path; }

  // Writes the document's session while it holds unsaved work, and removes the file otherwise.
  void Write(const CPelorinDoc& document);
  void Remove();

  // Recovery files of processes that no longer run, newest first.
  static std::vector<std::string> LeftBehind();

 private:
  std::string m_path;
};
