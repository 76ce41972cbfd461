#pragma once
// The screen's cursor through Qt (QCursor), in Qt's device-independent screen
// coordinates. Window thread only.
#include "display/Kursor.h"

class QtKursor : public Kursor {
 public:
  Point Pozycja() override;
  // Moves the cursor and reports whether it now stands at p: under window systems that
  // do not let programs move the cursor (Wayland) it does not, and false is returned.
  bool Przesun(Point p) override;
};
