#include "app/AppLocale.h"

#include <QLocale>

#include <clocale>

void UseCLocaleForNumbers() {
  std::setlocale(LC_NUMERIC, "C");
  QLocale::setDefault(QLocale::c());
}
