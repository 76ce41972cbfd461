#include "core/Peekable.h"

#include <algorithm>

#include "core/CallTrace.h"
#include "core/Exception.h"

int Peekable::ReadAnyNonBlocking(void* v, int n) {
  KG_TRACE("Peekable::ReadAnyNonBlocking(void *v, int n)");
  if (n < 0) KG_ASSERTION("n<0");
  const int m = std::min(n, Size());
  if (m > 0) Read(v, m);
  return m;
}

void Peekable::Read(void* v, int n) {
  KG_TRACE("Peekable::Read(void *v, int n)");
  Peek(v, n);
  Skip(n);
}
