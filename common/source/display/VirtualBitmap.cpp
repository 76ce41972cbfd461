#include "display/VirtualBitmap.h"

#include <algorithm>

#include "core/CallTrace.h"
#include "display/Drawer.h"

VirtualBitmap::VirtualBitmap(Drawer* d) : Bitmap(d, 0, 0) {}

void VirtualBitmap::Maluj(VBPainter& malarz, int64_t a, int64_t b) {
  if (a >= b) return;
  malowane += b - a;
  malarz.Paint(this, Rect{a, 0, b, okno.Height()});
}

void VirtualBitmap::Uaktualnij(Rect n, VBPainter& malarz) {
  KG_TRACE("VirtualBitmap::Uaktualnij(Rect n, VBPainter& malarz)");
  malowane = 0;
  if (n.Empty()) return;
  const int64_t W = n.Width();
  bool calosc = false;
  if (!bufor || bufor->Width() != W || bufor->Height() != n.Height()) {
    bufor.reset();
    bufor = GetDrawer()->NowaBitmapa(W, n.Height());
    bufor->SetColor(kolor);
    bufor->SetFont(czcionka);
    Wymiary(W, n.Height());
    calosc = true;
    przesuniecie = 100 % W;
  } else {
    const int64_t dx = n.x0 - okno.x0;
    if (dx > 0) {
      if (n.x0 < okno.x0 + W) {
        okno = n;
        przesuniecie = (przesuniecie + dx) % W;
        Maluj(malarz, n.x1 - dx, n.x1);
      } else {
        calosc = true;
      }
    } else if (dx < 0) {
      if (okno.x0 < n.x1) {
        okno = n;
        przesuniecie = (przesuniecie + dx % W + W) % W;
        Maluj(malarz, n.x0, n.x0 - dx);
      } else {
        calosc = true;
      }
    }
  }
  if (calosc) {
    okno = n;
    Maluj(malarz, n.x0, n.x1);
  }
  // Painting may invalidate nothing further: the list is taken before it is walked.
  std::vector<std::pair<int64_t, int64_t>> zakresy;
  zakresy.swap(uniewaznione);
  for (const auto& [a, b] : zakresy) Maluj(malarz, std::max(a, n.x0), std::min(b, n.x1));
}

void VirtualBitmap::Uniewaznij(int64_t a, int64_t b) {
  KG_TRACE("VirtualBitmap::Uniewaznij(int64_t a, int64_t b)");
  if (a >= b) return;
  // Ranges that overlap or touch the last one are merged, so that a stream of small
  // invalidations does not grow the list.
  if (!uniewaznione.empty()) {
    auto& [pa, pb] = uniewaznione.back();
    if (a <= pb && b >= pa) {
      pa = std::min(pa, a);
      pb = std::max(pb, b);
      return;
    }
  }
  uniewaznione.emplace_back(a, b);
}

int VirtualBitmap::Czesci(Rect r, Czesc out[2]) const {
  if (!bufor) return 0;
  r = r.Intersected(Rect{okno.x0, 0, okno.x1, okno.Height()});
  if (r.Empty()) return 0;
  const int64_t W = okno.Width();
  const int64_t bx = (r.x0 - okno.x0 + przesuniecie) % W;
  const int64_t dlugosc = r.Width();
  out[0] = Czesc{Rect{bx, r.y0, std::min(W, bx + dlugosc), r.y1}, bx - r.x0};
  if (bx + dlugosc <= W) return 1;
  out[1] = Czesc{Rect{0, r.y0, bx + dlugosc - W, r.y1}, bx - r.x0 - W};
  return 2;
}

void VirtualBitmap::SetColor(int c) {
  kolor = c;
  if (bufor) bufor->SetColor(c);
}

void VirtualBitmap::SetFont(const FontAttributes& a) {
  czcionka = a;
  if (bufor) bufor->SetFont(a);
}

void VirtualBitmap::Fill(Rect r) {
  Czesc c[2];
  const int n = Czesci(r, c);
  for (int i = 0; i < n; ++i) bufor->Fill(c[i].bufor);
}

void VirtualBitmap::BlitTo(Rect zrodlo, Bitmap* cel, Point p) {
  Czesc c[2];
  const int n = Czesci(zrodlo, c);
  for (int i = 0; i < n; ++i) {
    const int64_t vx = c[i].bufor.x0 - c[i].dx;
    bufor->BlitTo(c[i].bufor, cel, Point{p.x + (vx - zrodlo.x0), p.y + (c[i].bufor.y0 - zrodlo.y0)});
  }
}

void VirtualBitmap::BlitFrom(Bitmap* zrodlo, Rect r, Point p) {
  Czesc c[2];
  const int n = Czesci(Rect{p.x, p.y, p.x + r.Width(), p.y + r.Height()}, c);
  for (int i = 0; i < n; ++i) {
    const int64_t vx = c[i].bufor.x0 - c[i].dx;
    const Rect z{r.x0 + (vx - p.x), r.y0 + (c[i].bufor.y0 - p.y), 0, 0};
    zrodlo->BlitTo(Rect{z.x0, z.y0, z.x0 + c[i].bufor.Width(), z.y0 + c[i].bufor.Height()}, bufor.get(),
                   Point{c[i].bufor.x0, c[i].bufor.y0});
  }
}

void VirtualBitmap::TextCentered(Rect r, const String& s) {
  // The text is drawn once in each piece of the whole window, cut to that piece, so that
  // a label crossing the wrap point comes out whole.
  Czesc c[2];
  const int n = Czesci(Rect{okno.x0, 0, okno.x1, okno.Height()}, c);
  const Rect stare = bufor ? bufor->Obciecie() : Rect{};
  for (int i = 0; i < n; ++i) {
    bufor->Clip(c[i].bufor);
    bufor->TextCentered(r.Moved(c[i].dx, 0), s);
  }
  if (bufor) bufor->Clip(stare);
}

Rect VirtualBitmap::TextAt(Point p, const String& s) {
  Czesc c[2];
  const int n = Czesci(Rect{okno.x0, 0, okno.x1, okno.Height()}, c);
  const Rect stare = bufor ? bufor->Obciecie() : Rect{};
  Rect wynik{p.x, p.y, p.x, p.y};
  for (int i = 0; i < n; ++i) {
    bufor->Clip(c[i].bufor);
    wynik = bufor->TextAt(Point{p.x + c[i].dx, p.y}, s).Moved(-c[i].dx, 0);
  }
  if (bufor) bufor->Clip(stare);
  return wynik;
}
