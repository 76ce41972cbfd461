#include "player/CzytnikGniazdaQt.h"

#include <QIODevice>

#include "core/Exception.h"

int CzytnikGniazdaQt::ReadAnyNonBlocking(void* v, int n) {
  if (n <= 0) return 0;
  const qint64 r = urzadzenie.read(static_cast<char*>(v), n);
  if (r < 0) KG_ERROR(urzadzenie.errorString().toStdString());
  return static_cast<int>(r);
}
