#pragma once
// The mouse cursor of the screen, as far as a drag needs it: where it is, and moving it
// (the time axis wraps the cursor at its edges so that a drag can go on without end).
#include "display/Point.h"

class Kursor {
 public:
  // The cursor's position in screen coordinates.
  virtual Point Pozycja() = 0;
  // Moves the cursor to p; returns false when the platform refused (some window systems
  // do not let programs move the cursor).
  virtual bool Przesun(Point p) = 0;
  virtual ~Kursor() = default;
};
