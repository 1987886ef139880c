#include "services/Services.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace {

CStderrServices g_stderrServices;
CServices* g_pServices = &g_stderrServices;
thread_local CServices* t_pThreadServices = nullptr;

}  // namespace

CServices& Services() { return t_pThreadServices ? *t_pThreadServices : *g_pServices; }

CThreadServices::CThreadServices(CServices& services) : m_pPrevious(t_pThreadServices) {
  t_pThreadServices = &services;
}

CThreadServices::~CThreadServices() { t_pThreadServices = m_pPrevious; }

void CDeferredServices::Replay() {
  std::vector<CSaid> said = std::move(m_said);
  m_said.clear();
  for (const CSaid& item : said) {
    if (item.isMessageBox)
      Services().MessageBox(item.text);
    else
      Services().TraceText(item.text);
  }
}

CScopedServices::CScopedServices(CServices& services) : m_pPrevious(g_pServices) {
  g_pServices = &services;
}

CScopedServices::~CScopedServices() { g_pServices = m_pPrevious; }

std::optional<CFileDialogChoice> AskForFile(EFileDialogKind kind, const std::string& defaultExtension) {
  CFileDialogRequest request;
  request.kind = kind;
  request.defaultExtension = defaultExtension;
  return Services().RunFileDialog(request);
}

void Trace(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string text;
  if (length > 0) {
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    text.assign(buffer.data(), static_cast<size_t>(length));
  }
  va_end(args);
  Services().TraceText(text);
}

void CStderrServices::TraceText(const std::string& text) {
  std::fputs(text.c_str(), stderr);
  // Traces carry no line end of their own; keep one trace a line on the terminal.
  if (text.empty() || text.back() != '\n') std::fputc('\n', stderr);
}

void CStderrServices::MessageBox(const std::string& text) {
  std::fprintf(stderr, "pelorin: %s\n", text.c_str());
}

int CStderrServices::RunModalDialog(CDialogModel&) { return kDialogCancel; }

std::optional<CFileDialogChoice> CStderrServices::RunFileDialog(const CFileDialogRequest&) {
  return std::nullopt;
}

void CStderrServices::SetStatusText(const std::string&) {}

void CStderrServices::Repaint() {}
