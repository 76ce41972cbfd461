#pragma once
// Whatever paints an endless horizontal strip into a VirtualBitmap (the bands of the time
// axis).
#include "display/Rect.h"

class Bitmap;

class VBPainter {
 public:
  // Paints the rectangle `r` of the strip, in the strip's own (absolute) columns, into
  // `cel`, which takes those coordinates.
  virtual void Paint(Bitmap* cel, Rect r) = 0;
  virtual ~VBPainter() = default;
};
