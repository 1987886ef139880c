#pragma once
// The document: it owns the scene model (none until the first photograph is loaded) and has a
// file of its own that holds nothing. Saving writes an empty file, opening reads nothing; the
// document is never modified, so nothing ever asks to save it.

#include "metrology/MeasurementLog.h"
#include "model/SingleImage.h"

#include <memory>
#include <string>

class CPelorinDoc {
 public:
  CSingleImage* GetSingleImage() const { return m_pSingleImage.get(); }
  // Installs a new scene model; the old one, if any, is destroyed.
  void SetSingleImage(std::unique_ptr<CSingleImage> model) {
    m_pSingleImage = std::move(model);
    m_measurementLog.Clear();
  }
  // Where this session's measurements came from, for their uncertainty; never saved.
  CMeasurementLog& MeasurementLog() { return m_measurementLog; }

  // The document's file: empty for an untitled document.
  const std::string& GetPathName() const { return m_pathName; }
  void SetPathName(std::string path) { m_pathName = std::move(path); }
  // "Untitled", or the file name without its folders.
  std::string GetTitle() const;

  // Writes the document's (empty) file. A file that already holds something is never replaced
  // by it: that would be a data file or a photograph opened by mistake. The reason on failure.
  std::string SaveDocumentFile(const std::string& path) const;
  // Opens the file only to see that it can be read; reads nothing. The reason on failure.
  std::string OpenDocumentFile(const std::string& path) const;

 private:
  std::unique_ptr<CSingleImage> m_pSingleImage;
  CMeasurementLog m_measurementLog;
  std::string m_pathName;
};
