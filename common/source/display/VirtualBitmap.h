#pragma once
// The cache of an endless horizontal strip (a band of the time axis): a buffer as wide as
// the visible window, used as a ring, so that scrolling by a few columns repaints only the
// columns that came into view. Coordinates are the strip's own: absolute columns, rows
// [0, height).
//
// Virtual column x of the window `okno` lies in buffer column
// (x - okno.x0 + przesuniecie) mod W, W the buffer's width. Fills, copies and text are
// split at the ring's wrap point and drawn in both parts, so a fill or a label that
// crosses it comes out whole; whatever falls outside the window is dropped. Window thread
// only.
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "display/Bitmap.h"
#include "display/VBPainter.h"

class VirtualBitmap : public Bitmap {
 public:
  // Nothing cached until the first Uaktualnij; buffers come from `d`.
  explicit VirtualBitmap(Drawer* d);

  // Brings the cache up to the window n of the strip, painting through `malarz`:
  // - no buffer yet, or one of another size: a new buffer, the ring's origin at column
  //   100 mod W, and the whole window painted;
  // - the window moved right by dx (< W): only the columns [n.x1 - dx, n.x1) painted;
  //   left by dx (< W): only [n.x0, n.x0 + dx); by W or more: the whole window;
  // then every invalidated range [a, b), cut to the window, is painted and forgotten.
  // An empty window does nothing.
  void Uaktualnij(Rect n, VBPainter& malarz);
  // Marks the columns [a, b) for repainting at the next Uaktualnij.
  void Uniewaznij(int64_t a, int64_t b);

  // The window the buffer holds, and the buffer column of its left edge.
  Rect Okno() const { return okno; }
  int64_t Przesuniecie() const { return przesuniecie; }
  // How many columns the last Uaktualnij painted (ranges painted twice count twice).
  int64_t MalowaneKolumny() const { return malowane; }
  // The buffer, null before the first Uaktualnij.
  Bitmap* Bufor() const { return bufor.get(); }

  void SetColor(int c) override;
  void BlitTo(Rect zrodlo, Bitmap* cel, Point p) override;
  bool Prosty() const override { return false; }
  void BlitFrom(Bitmap* zrodlo, Rect r, Point p) override;
  void TextCentered(Rect r, const String& s) override;
  Rect TextAt(Point p, const String& s) override;
  void SetFont(const FontAttributes& a) override;
  void Fill(Rect r) override;

 private:
  // One unbroken piece of the buffer: its rectangle there, and the shift from virtual to
  // buffer columns.
  struct Czesc {
    Rect bufor;
    int64_t dx;
  };
  // The pieces of the virtual rectangle r (cut to the window): zero, one or two.
  int Czesci(Rect r, Czesc out[2]) const;
  void Maluj(VBPainter& malarz, int64_t a, int64_t b);

  std::unique_ptr<Bitmap> bufor;
  Rect okno;
  int64_t przesuniecie = 0;
  std::vector<std::pair<int64_t, int64_t>> uniewaznione;
  int64_t malowane = 0;
  int kolor = 0;
  FontAttributes czcionka;
};
