#pragma once
// The "Camera" dock: the camera behind the photograph as the session's inputs give it, one
// figure a row with its σ (focal length in pixels and as a 35 mm equivalent, with the JPEG's
// EXIF value beside it when the file states one; principal point as the status bar shows
// pixels; position, height, heading, pitch, roll, fields of view and the consistency figures),
// and the calibration case. Without a camera it says why. A one-point photograph's camera needs
// its focal length: the user gives it as a 35 mm equivalent, or takes the one the file states.

#include <QDockWidget>

#include "camera/Calibration.h"

#include <optional>
#include <string>

class CPelorinDoc;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

class CCameraDock final : public QDockWidget {
 public:
  CCameraDock(CPelorinDoc& document, QWidget* parent);

  // Calibrates again from the session and fills the table.
  void Refresh();

  QTableWidget* Table() const { return m_pTable; }
  // Why there is no camera, or what the σ rest on.
  QLabel* Message() const { return m_pMessage; }
  // The given focal length (35 mm equivalent, mm; empty for none) and the button that takes the
  // photograph's EXIF value.
  QLineEdit* GivenFocal() const { return m_pGivenFocal; }
  QPushButton* FocalFromExif() const { return m_pFocalFromExif; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // Takes the typed focal length as one command; a wrong number is refused and the field reset.
  void GivenFocalEdited();
  void ShowGivenFocal();

  CPelorinDoc& m_document;
  QTableWidget* m_pTable = nullptr;
  QLabel* m_pMessage = nullptr;
  QLineEdit* m_pGivenFocal = nullptr;
  QPushButton* m_pFocalFromExif = nullptr;
  std::optional<double> m_exifFocal35mm;
  std::string m_exifPath;  // the photograph whose EXIF was read
  std::string m_exifText;
};
