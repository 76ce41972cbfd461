#pragma once
// The station being played as the window shows it: the window's title, the station
// button, the favourite buttons and their assignment menu, and the window minimised.
// Window (GUI) thread only; every call returns without waiting.
#include "core/String.h"

class WidokStacji {
 public:
  virtual void UstawTytul(const String& s) = 0;
  // The station button's caption.
  virtual void UstawPrzyciskStacji(const String& s) = 0;
  // Each favourite button down exactly when its hint equals `cel`; an empty `cel`
  // releases all four.
  virtual void ZaznaczUlubione(const String& cel) = 0;
  // The favourite assignment menu for button `przycisk` (0-3), opened at that button.
  virtual void PokazMenuUlubionych(int przycisk) = 0;
  // Minimises the application.
  virtual void Minimalizuj() = 0;
  virtual ~WidokStacji() = default;
};
