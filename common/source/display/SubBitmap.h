#pragma once
// A rectangle of another bitmap: every operation is translated by the rectangle's origin
// and cut to it (fills included), and text and copies also to this bitmap's own clipping
// rectangle. The parent must outlive it or be replaced by Przestaw. Window thread only.
#include "display/Bitmap.h"

class SubBitmap : public Bitmap {
 public:
  SubBitmap(Bitmap* rodzic, Rect r);

  // Aims this bitmap at the rectangle r of `rodzic`; the clipping rectangle is reset.
  void Przestaw(Bitmap* rodzic, Rect r);
  // The rectangle of the parent that this bitmap covers.
  Rect Prostokat() const { return obszar; }
  Bitmap* Rodzic() const { return rodzic; }

  void SetColor(int c) override;
  void BlitTo(Rect zrodlo, Bitmap* cel, Point p) override;
  bool Prosty() const override { return false; }
  void BlitFrom(Bitmap* zrodlo, Rect r, Point p) override;
  void TextCentered(Rect r, const String& s) override;
  Rect TextAt(Point p, const String& s) override;
  void SetFont(const FontAttributes& a) override;
  void Fill(Rect r) override;

 private:
  // Sets the parent's clipping rectangle to this bitmap's clip, translated and cut to the
  // parent's own clip, for the life of the guard.
  class ObciecieRodzica;

  Bitmap* rodzic;
  Rect obszar;
};
