#pragma once
// A plain surface bitmap on Qt 6: a 32-bit QImage of (width x ratio) by (height x ratio)
// device pixels, addressed in logical pixels. Fills and copies write the pixels directly;
// text is drawn with QPainter, one character cell after another, so that its placement is
// the drawing layer's: each character at its cell's offset + 1. Window thread only.
#include <QImage>

#include "display/Bitmap.h"

class QtDrawer;
struct QtFont;

class SurfaceBitmap : public Bitmap {
 public:
  // w x h logical pixels at device pixel ratio `dpr`; the font is "Arial" 14, colour 1,
  // transparent.
  SurfaceBitmap(QtDrawer* d, int64_t w, int64_t h, double dpr);

  // 0xRRGGBB, stored as the pixel value.
  void SetColor(int c) override;
  void BlitTo(Rect zrodlo, Bitmap* cel, Point p) override;
  bool Prosty() const override { return true; }
  // Not supported by a plain bitmap: the assertion failure "bla".
  void BlitFrom(Bitmap* zrodlo, Rect r, Point p) override;
  void TextCentered(Rect r, const String& s) override;
  Rect TextAt(Point p, const String& s) override;
  void SetFont(const FontAttributes& a) override;
  void Fill(Rect r) override;

  // The pixels; its device pixel ratio is set, so a QPainter draws it at logical size.
  const QImage& Obraz() const { return obraz; }
  // The 0xRRGGBB value of the logical pixel (x, y) (its top-left device pixel).
  int Piksel(int64_t x, int64_t y) const;

 private:
  // The device rectangle of a logical one.
  QRect Urzadzenie(const Rect& r) const;
  void Pisz(int64_t x, int64_t y, const QString& s);

  QtDrawer* drawer;
  QImage obraz;
  double dpr;
  uint32_t piksel = 0xFF000000u;
  const QtFont* czcionka;
};
