#pragma once
// The drag tracker of the time axis: the last cursor position, the last displacement, and
// the axis's rectangle on the screen, at whose edges the cursor is wrapped round so that a
// drag can go on without end. Window thread only.
#include "display/Kursor.h"
#include "display/Point.h"
#include "display/Rect.h"

class Przeciaganie {
 public:
  // A drag starts with the cursor at `kursor`: displacements cleared, active.
  void Start(Point kursor);
  // The drag ends: inactive, displacements cleared.
  void Stop();
  // The cursor is now at `kursor`: while active, the displacement from the previous
  // position is noted. At or left of the left bound the cursor is moved to right bound - 2;
  // at or right of right bound - 1, to left bound + 1; where `k` is null or the platform
  // refuses, the cursor stays and the drag goes on without wrapping. The position the
  // cursor ends at becomes the previous position.
  void Aktualizuj(Point kursor, Kursor* k);

  Point ostatni;
  double dx = 0;
  double dy = 0;
  bool aktywny = false;
  // [left, right) x [top, bottom): the axis on the screen.
  Rect granice{0, 0, 1 << 16, 1 << 16};
};
