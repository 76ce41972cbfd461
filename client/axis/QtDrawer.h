#pragma once
// The drawer on Qt 6: bitmaps are 32-bit QImages at the device pixel ratio given, painted
// in logical pixels (so at a ratio of 2 every fill covers whole device pixels and text is
// rendered at the device's resolution); the screen bitmap is the image that the axis
// host's widget shows. Fonts are found by the system's names through fontconfig ("Arial"
// is Liberation Sans, "Courier New" Liberation Mono), non-antialiased, sized so that
// their cell height is the height asked for, and cached by attributes for the drawer's
// life. Window thread only.
#include <QFont>
#include <QFontMetrics>
#include <memory>
#include <vector>

#include "display/Drawer.h"
#include "display/FontAttributes.h"

// One cached font: its attributes, the Qt font and metrics, and per character the cell
// width (its advance + 2, as characters are laid out one cell after another).
struct QtFont {
  QtFont(const FontAttributes& a);

  // The width of the text's cells and the font's cell height.
  int64_t Szerokosc(const QString& s) const;
  int Komorka(QChar c) const;

  FontAttributes atrybuty;
  QFont font;
  QFontMetrics metryka;
  int wysokosc;
  int ascent;
};

class QtDrawer : public Drawer {
 public:
  // Bitmaps at the device pixel ratio `dpr` (1 when not given or below 1).
  explicit QtDrawer(double dpr = 1.0);

  std::unique_ptr<Bitmap> NowaBitmapa(int64_t w, int64_t h) override;
  std::unique_ptr<Bitmap> BitmapaEkranu(Rect r) override;

  // The cached font with attributes a, made at the first request.
  const QtFont& Czcionka(const FontAttributes& a);
  int IleCzcionek() const { return static_cast<int>(czcionki.size()); }
  double Dpr() const { return dpr; }

 private:
  double dpr;
  std::vector<std::unique_ptr<QtFont>> czcionki;
};
