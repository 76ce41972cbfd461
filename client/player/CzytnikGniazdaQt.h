#pragma once
// What a Qt socket (or any QIODevice) has received, as a non-blocking byte source, so that
// a Paczka2 can be filled from it with Wczytaj. One thread: the device's.
#include "core/IReadAnyNonBlocking.h"

class QIODevice;

class CzytnikGniazdaQt : public IReadAnyNonBlocking {
 public:
  // Reads from `d` (not owned, outliving the reader).
  explicit CzytnikGniazdaQt(QIODevice& d) : urzadzenie(d) {}

  // At most n of the bytes already received; 0 when there are none. Raises the device's
  // error text when the read fails.
  int ReadAnyNonBlocking(void* v, int n) override;

 private:
  QIODevice& urzadzenie;
};
