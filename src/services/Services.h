#pragma once
// The program's one door to the user and the developer log. Every message box, file dialog,
// modal dialog, status-bar text, repaint and debug trace goes through the services that are
// installed here: the application installs its Qt implementation, tests a scripted double,
// command-line tools the standard-error one. Nothing in this folder knows the rest of the program.

#include <optional>
#include <string>
#include <vector>

class CDialogModel;

enum class EFileDialogKind { Open, Save };

struct CFileDialogRequest {
  EFileDialogKind kind = EFileDialogKind::Open;
  std::string defaultExtension;  // without the dot; empty for none
  // Save dialogs always ask before an existing file is replaced; open dialogs require the file
  // to exist. There is no initial name, no type filter and no read-only check box.
};

struct CFileDialogChoice {
  std::string fullPath;
  std::string fileName;  // the chosen name without its folders
};

// Results of a modal dialog, as the framework returns them.
inline constexpr int kDialogOk = 1;
inline constexpr int kDialogCancel = 2;

enum class ESaveChoice { Save, Discard, Cancel };

class CServices {
 public:
  virtual ~CServices() = default;

  // Developer channel only, never shown to the user. The text is already formatted and
  // carries only the line ends that its format had.
  virtual void TraceText(const std::string& text) = 0;
  // Modal box with an OK button; returns when dismissed.
  virtual void MessageBox(const std::string& text) = 0;
  // The same for a result that went as asked, which warns of nothing; a plain message box where
  // the two look alike.
  virtual void Inform(const std::string& text) { MessageBox(text); }
  // Runs the dialog until it closes; kDialogOk or kDialogCancel.
  virtual int RunModalDialog(CDialogModel& dialog) = 0;
  // The chosen file, or nothing when the dialog was cancelled.
  virtual std::optional<CFileDialogChoice> RunFileDialog(const CFileDialogRequest& request) = 0;
  // Replaces the text of the status bar's message pane and redraws it at once.
  virtual void SetStatusText(const std::string& text) = 0;
  // Runs the view's paint handler before returning.
  virtual void Repaint() = 0;
  // A question with Yes and No; true for Yes. Without a user to ask, the answer is No.
  virtual bool AskYesNo(const std::string& /*question*/) { return false; }
  // The same question where Yes is what the user most likely wants (Enter answers Yes): keeping
  // work, not deleting it.
  virtual bool AskYesNoPreferringYes(const std::string& question) { return AskYesNo(question); }
  // "Save changes to NAME?" with Save, Discard and Cancel; without a user to ask, Cancel.
  virtual ESaveChoice AskSaveChanges(const std::string& /*question*/) { return ESaveChoice::Cancel; }
  // A small menu of choices at the mouse; the index chosen, or −1 when it was dismissed.
  virtual int ChooseFromMenu(const std::vector<std::string>& /*items*/) { return -1; }
  // Shows a file in the desktop's own program for it (the user guide); false when none could
  // be started. Without a desktop, nothing is shown.
  virtual bool ShowDocument(const std::string& /*path*/) { return false; }
};

// The services in force: this thread's own, where a CThreadServices guard installed them, else
// the ones installed for the program; the standard-error services until something is installed.
CServices& Services();

// Installs services for the lifetime of the guard and restores the previous ones afterwards.
class CScopedServices {
 public:
  explicit CScopedServices(CServices& services);
  ~CScopedServices();
  CScopedServices(const CScopedServices&) = delete;
  CScopedServices& operator=(const CScopedServices&) = delete;

 private:
  CServices* m_pPrevious;
};

// Installs services for the calling thread alone, for the lifetime of the guard: work on a
// worker thread must not reach the window's services, which belong to the user-interface thread.
class CThreadServices {
 public:
  explicit CThreadServices(CServices& services);
  ~CThreadServices();
  CThreadServices(const CThreadServices&) = delete;
  CThreadServices& operator=(const CThreadServices&) = delete;

 private:
  CServices* m_pPrevious;
};

// A file dialog of the given kind through the services in force: the choice, or nothing.
std::optional<CFileDialogChoice> AskForFile(EFileDialogKind kind, const std::string& defaultExtension = "");

// printf-style debug trace through the services in force.
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Non-interactive services for programs without a window: traces and message texts go to
// standard error, every dialog is cancelled, status and repaint requests are ignored.
class CStderrServices final : public CServices {
 public:
  void TraceText(const std::string& text) override;
  void MessageBox(const std::string& text) override;
  int RunModalDialog(CDialogModel& dialog) override;
  std::optional<CFileDialogChoice> RunFileDialog(const CFileDialogRequest& request) override;
  void SetStatusText(const std::string& text) override;
  void Repaint() override;
};

// Services that tell nothing to anyone: for computations run many times over on the user's
// behalf (a numerical derivative), whose complaints the user has already met once.
class CQuietServices final : public CServices {
 public:
  void TraceText(const std::string&) override {}
  void MessageBox(const std::string&) override {}
  int RunModalDialog(CDialogModel&) override { return kDialogCancel; }
  std::optional<CFileDialogChoice> RunFileDialog(const CFileDialogRequest&) override { return std::nullopt; }
  void SetStatusText(const std::string&) override {}
  void Repaint() override {}
};

// Keeps the traces and message texts given to it, in order, to be told later through the
// services in force (Replay): for work done away from the user-interface thread. Dialogs are
// cancelled, status and repaint requests ignored.
class CDeferredServices final : public CServices {
 public:
  void TraceText(const std::string& text) override { m_said.push_back({false, text}); }
  void MessageBox(const std::string& text) override { m_said.push_back({true, text}); }
  int RunModalDialog(CDialogModel&) override { return kDialogCancel; }
  std::optional<CFileDialogChoice> RunFileDialog(const CFileDialogRequest&) override { return std::nullopt; }
  void SetStatusText(const std::string&) override {}
  void Repaint() override {}
  void Replay();

 private:
  struct CSaid {
    bool isMessageBox;
    std::string text;
  };
  std::vector<CSaid> m_said;
};
