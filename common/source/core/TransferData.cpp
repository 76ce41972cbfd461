#include "core/TransferData.h"

#include <algorithm>

#include "core/CallTrace.h"

void TransferData(Writable& w, IReadAnyNonBlocking& r, int n) {
  KG_TRACE("TransferData(Writable &w, IReadAnyNonBlocking &r, int n)");
  char buffer[16384];
  while (n > 0) {
    const int k = r.ReadAnyNonBlocking(buffer, std::min(n, static_cast<int>(sizeof buffer)));
    if (k <= 0) break;
    w.Write(buffer, k);
    n -= k;
  }
}

void Writable::Write2(IReadAnyNonBlocking& r, int n) {
  KG_TRACE("Writable::Write2(IReadAnyNonBlocking &r, int n)");
  TransferData(*this, r, n);
}

void IReadAnyNonBlocking::ReadAnyNonBlocking2(Writable& w, int n) {
  KG_TRACE("IReadAnyNonBlocking::ReadAnyNonBlocking2(Writable &w, int n)");
  TransferData(w, *this, n);
}
