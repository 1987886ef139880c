#pragma once
// Reading a photograph for "Load Souce Image" without a silent, frozen window: the file is read
// and decoded on a worker thread while the user-interface thread waits. Once the read has taken
// kBusyAfterSeconds, the window shows a busy cursor and "Loading <name> ..." in the status bar,
// keeps repainting itself (user input waits), and keeps the indication until the guard goes,
// after the first frame of the new photograph.

#include "model/SingleImage.h"

#include <functional>
#include <memory>
#include <string>

inline constexpr double kBusyAfterSeconds = 0.3;

// How the worker fills a fresh model from a file; tests put a slowed reader in its place.
using CPhotographReader = std::function<void(CSingleImage& model, const std::string& path)>;
void SetPhotographReader(CPhotographReader reader);  // an empty one restores the real reader

// The busy cursor and status message, shown by Show() and taken away by the destructor (which
// leaves the status bar's idle text).
class CBusyIndication {
 public:
  explicit CBusyIndication(std::string message) : m_message(std::move(message)) {}
  ~CBusyIndication();
  CBusyIndication(const CBusyIndication&) = delete;
  CBusyIndication& operator=(const CBusyIndication&) = delete;

  void Show();
  bool Shown() const { return m_bShown; }

 private:
  std::string m_message;
  bool m_bShown = false;
};

// A new model read from the file, without its display texture (which needs the user-interface
// thread); on failure a model without pixels whose ReadFailure() says why. With `sha256`, the
// file's SHA-256 is worked out on the same thread ("" when it cannot be).
std::unique_ptr<CSingleImage> ReadPhotographWhileResponsive(const std::string& path, CBusyIndication& busy,
                                                            std::string* sha256 = nullptr);
