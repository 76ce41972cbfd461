#pragma once
// The drawing side of a component that the axis host shows (the time axis).
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
  // Whether the target would look different after Invalidate and Paint: false when
  // everything it shows is drawn and still true, so that the host may leave this update
  // out and keep showing the target as it is. By default always true.
  virtual bool Nieaktualny() const { return true; }
  virtual ~BitmapUpdater() = default;
};
