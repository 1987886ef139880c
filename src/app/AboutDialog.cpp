#include "app/AboutDialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

QIcon ApplicationIcon() {
  // Installed, the program's own icon is in the theme; from the build tree it falls back.
  return QIcon::fromTheme(QStringLiteral("pelorin"),
                          QIcon::fromTheme(QStringLiteral("applications-graphics"),
                                           QApplication::style()->standardIcon(QStyle::SP_DesktopIcon)));
}

CAboutDialog::CAboutDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("About Pelorin"));
  auto* layout = new QGridLayout(this);
  auto* icon = new QLabel(this);
  icon->setPixmap(ApplicationIcon().pixmap(32, 32));
  layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
  layout->addWidget(new QLabel(QStringLiteral("Pelorin Version 1.0"), this), 0, 1);
  layout->addWidget(new QLabel(QStringLiteral("Copyright (C) 2026 the Pelorin authors. MIT licence."), this), 1, 1);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(ok, 0, 2, Qt::AlignTop);
}
