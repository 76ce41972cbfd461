#include "ui/Tlumaczenia.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool ZaladujTlumaczeniaQt(QTranslator& t) {
  // "qtbase_pl.qm" for pl_PL: the widgets' and dialogs' own texts.
  if (!t.load(QLocale(), "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) return false;
  return QCoreApplication::installTranslator(&t);
}
