#pragma once
// The About box: the application icon, the version line and the copyright notice, and OK.

#include <QDialog>

class CAboutDialog final : public QDialog {
 public:
  explicit CAboutDialog(QWidget* parent);
};

// The program's icon, from the icon theme where it has one.
QIcon ApplicationIcon();
