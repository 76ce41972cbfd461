#pragma once
// A drawing target of the time axis: fills rectangles with a colour, copies rectangles to
// other targets, writes text with cached fonts, and keeps a clipping rectangle. Fill
// colours are 0xRRGGBB; text colours come with the font (FontAttributes).
//
// Plain surface bitmaps (Prosty() true) copy between each other directly; a copy that
// involves any other kind is handed to the target's BlitFrom, which knows its own layout.
// Window thread only.
#include <cstdint>
#include <memory>

#include "core/String.h"
#include "display/FontAttributes.h"
#include "display/Point.h"
#include "display/Rect.h"

class Drawer;
class SubBitmap;

class Bitmap {
 public:
  Bitmap(Drawer* d, int64_t w, int64_t h);
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;

  // The colour (0xRRGGBB) of the next fills.
  virtual void SetColor(int c) = 0;
  // A bitmap over the rectangle r of this one. When `stary` is given it is re-aimed at
  // this bitmap's r and returned, instead of a new one being made.
  virtual std::unique_ptr<SubBitmap> Sub(std::unique_ptr<SubBitmap> stary, Rect r);
  // Copies the rectangle `zrodlo` of this bitmap to `cel` with its top-left corner at p.
  // The copy is cut to both bitmaps and to the target's clipping rectangle.
  virtual void BlitTo(Rect zrodlo, Bitmap* cel, Point p) = 0;
  // True for a plain surface bitmap.
  virtual bool Prosty() const = 0;
  // The same copy as zrodlo->BlitTo(r, this, p), done by this target.
  virtual void BlitFrom(Bitmap* zrodlo, Rect r, Point p) = 0;
  // Writes s with the current font centred in r: x = (r.x0 + r.x1 - text width) / 2,
  // y = (r.y0 + r.y1 - text height) / 2. Text is cut to the clipping rectangle.
  virtual void TextCentered(Rect r, const String& s) = 0;
  // Writes s with its top-left corner at p; returns the text's rectangle (p, p + size).
  virtual Rect TextAt(Point p, const String& s) = 0;
  // Sets the clipping rectangle, clamped to the bitmap first. Copies into this bitmap and
  // text are cut to it; fills are not.
  virtual void Clip(Rect r);
  virtual ~Bitmap() = default;
  // The font of the next texts, from the drawer's cache.
  virtual void SetFont(const FontAttributes& a) = 0;
  // Fills r, cut to the bitmap, with the current colour.
  virtual void Fill(Rect r) = 0;

  Drawer* GetDrawer() const { return drawer; }
  int64_t Width() const { return szer_; }
  int64_t Height() const { return wys_; }
  // The whole bitmap, [0, width) x [0, height).
  Rect Cala() const { return Rect{0, 0, szer_, wys_}; }
  // The clipping rectangle (the whole bitmap until Clip is called).
  Rect Obciecie() const { return clipRect; }

 protected:
  // Changes the size; the clipping rectangle becomes the whole bitmap.
  void Wymiary(int64_t szerokosc, int64_t wysokosc);
  // Makes `d` the owning drawer.
  void UstawDrawer(Drawer* d) { drawer = d; }

 private:
  Drawer* drawer;
  int64_t szer_;
  int64_t wys_;
  Rect clipRect;
};
