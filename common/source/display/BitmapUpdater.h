#pragma once
// The drawing side of a component that the axis host shows (the time axis).
#include "display/Rect.h"

class Bitmap;

class BitmapUpdater {
 public:
  // `b` is the new target (owned by the host, valid until the next SetBitmap): lay out
  // for its size.
  virtual void SetBitmap(Bitmap* b) = 0;
  // Everything must be drawn again at the next Paint.
  virtual void Invalidate() = 0;
  // Draws what is needed into the target.
  virtual void Paint() = 0;
  // The part of the target `cala` (the whole of it) that is out of date: empty when
  // everything shown is drawn and still true, so that the host leaves the update out and
  // keeps showing the target as it is; a part when Paint alone (no Invalidate) brings
  // just that part up to date; `cala` when everything must be drawn again (the host then
  // calls Invalidate first). By default `cala`: every update draws everything.
  virtual Rect Nieaktualne(Rect cala) const { return cala; }
  virtual ~BitmapUpdater() = default;
};
