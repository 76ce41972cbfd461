#pragma once
// The events button, its menu and the events list of the day, as the events choice
// (WyborWydarzen) sets them; the events' layers on the axis are WidokOsi's. Window (GUI)
// thread only; every call returns without waiting.
#include <vector>

#include "core/String.h"

class WidokWydarzen {
 public:
  // The events button's caption.
  virtual void UstawPrzyciskWydarzen(const String& podpis) = 0;
  // The events menu's items (one per line) and whether the button is enabled.
  virtual void UstawMenuWydarzen(const std::vector<String>& pozycje, bool wlaczony) = 0;
  // The events list: shown or hidden, its whole text (lines ending in "\r\n"), its last line.
  virtual void PokazListeWydarzen(bool widoczna) = 0;
  virtual void UstawListeWydarzen(const String& tekst) = 0;
  virtual void ZmienOstatniaLinieWydarzen(const String& linia) = 0;
  virtual ~WidokWydarzen() = default;
};
