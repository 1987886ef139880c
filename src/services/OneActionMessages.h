#pragma once
// One user action tells each thing once. While a guard lives, a message box whose text was
// already shown during its lifetime is dropped: a computation that meets the same trouble in
// every column of an inverse (the solver's "Error") shows it one time, and the message that
// says what to do follows it. Everything else passes through to the services in force.

#include "services/Services.h"

#include <set>
#include <string>

class COneActionMessages final : public CServices {
 public:
  COneActionMessages();
  COneActionMessages(const COneActionMessages&) = delete;
  COneActionMessages& operator=(const COneActionMessages&) = delete;

  void TraceText(const std::string& text) override { m_next.TraceText(text); }
  void MessageBox(const std::string& text) override;
  int RunModalDialog(CDialogModel& dialog) override { return m_next.RunModalDialog(dialog); }
  std::optional<CFileDialogChoice> RunFileDialog(const CFileDialogRequest& request) override {
    return m_next.RunFileDialog(request);
  }
  void SetStatusText(const std::string& text) override { m_next.SetStatusText(text); }
  void Repaint() override { m_next.Repaint(); }
  bool AskYesNo(const std::string& question) override { return m_next.AskYesNo(question); }
  int ChooseFromMenu(const std::vector<std::string>& items) override { return m_next.ChooseFromMenu(items); }

 private:
  CServices& m_next;
  std::set<std::string> m_shown;
  CScopedServices m_guard;
};
