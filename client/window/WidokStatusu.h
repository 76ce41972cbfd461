#pragma once
// The status line's message panel and the pop-up message over the axis area, as the
// status line (LiniaStatusu) sets them. Window (GUI) thread only; every call returns
// without waiting for the network or the sound.
#include "core/String.h"

class WidokStatusu {
 public:
  // The status line's message panel.
  virtual void UstawStatus(const String& s) = 0;
  // The pop-up message with text s, centred over the axis area / hidden.
  virtual void PokazDymek(const String& s) = 0;
  virtual void UkryjDymek() = 0;
  virtual ~WidokStatusu() = default;
};
