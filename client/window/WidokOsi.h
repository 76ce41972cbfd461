#pragma once
// The time axis as the window's logic draws on it: layers of intervals (0 recordings,
// 1 export list, 2 + k the k-th family of events chosen), the event markers, the
// diagnostic marker type 0, the "Od"/"Do" marks, and the time the axis and the digit
// panels show. Window (GUI) thread only; every call returns without waiting.
#include "common/TypMarkerow.h"
#include "common/Update.h"
#include "core/Czas.h"
#include "intervals/Przedzialy.h"

class WidokOsi {
 public:
  virtual void UstawPrzedzialy(int warstwa, Przedzialy& p) = 0;
  virtual void AktualizujPrzedzialy(int warstwa, Update<Przedzialy>& u) = 0;
  // The layers of events (2 and above) taken away.
  virtual void UsunWydarzenia() = 0;
  virtual void UstawMarkeryWydarzenia(int k, TypMarkerow& m) = 0;
  virtual void AktualizujMarkeryWydarzenia(int k, Update<TypMarkerow>& u) = 0;
  virtual void AktualizujMarkery(int typ, Update<TypMarkerow>& u) = 0;
  virtual void UstawOd(Czas c) = 0;
  virtual void UstawDo(Czas c) = 0;
  virtual Czas CzasOsi() = 0;
  virtual ~WidokOsi() = default;
};
