#include "axis/SurfaceBitmap.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "axis/QtDrawer.h"
#include "core/CallTrace.h"
#include "core/Exception.h"

namespace {

int64_t Dev(int64_t v, double dpr) { return static_cast<int64_t>(std::llround(static_cast<double>(v) * dpr)); }

// A text colour in the platform's 0x00BBGGRR order.
QColor KolorTekstu(int c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

}  // namespace

SurfaceBitmap::SurfaceBitmap(QtDrawer* d, int64_t w, int64_t h, double r)
    : Bitmap(d, w, h),
      drawer(d),
      obraz(static_cast<int>(Dev(w, r)), static_cast<int>(Dev(h, r)), QImage::Format_RGB32),
      dpr(r),
      czcionka(&d->Czcionka(FontAttributes{})) {
  obraz.setDevicePixelRatio(dpr);
}

QRect SurfaceBitmap::Urzadzenie(const Rect& r) const {
  const int64_t x0 = Dev(r.x0, dpr);
  const int64_t y0 = Dev(r.y0, dpr);
  return QRect(static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(Dev(r.x1, dpr) - x0),
               static_cast<int>(Dev(r.y1, dpr) - y0));
}

void SurfaceBitmap::SetColor(int c) { piksel = 0xFF000000u | (static_cast<uint32_t>(c) & 0xFFFFFFu); }

void SurfaceBitmap::SetFont(const FontAttributes& a) { czcionka = &drawer->Czcionka(a); }

void SurfaceBitmap::Fill(Rect r) {
  r = r.Intersected(Cala());
  if (r.Empty()) return;
  const QRect d = Urzadzenie(r);
  for (int y = d.top(); y <= d.bottom(); ++y) {
    auto* linia = reinterpret_cast<uint32_t*>(obraz.scanLine(y)) + d.left();
    std::fill_n(linia, d.width(), piksel);
  }
}

void SurfaceBitmap::BlitTo(Rect zrodlo, Bitmap* cel, Point p) {
  if (!cel->Prosty()) {
    cel->BlitFrom(this, zrodlo, p);
    return;
  }
  auto* t = dynamic_cast<SurfaceBitmap*>(cel);
  if (t == nullptr) KG_ASSERTION("dsb==0");
  // Cut to the source, then to the target's clipping rectangle, moving the other side
  // along.
  Rect z = zrodlo.Intersected(Cala());
  Rect docel = z.Moved(p.x - zrodlo.x0, p.y - zrodlo.y0).Intersected(t->Obciecie());
  if (docel.Empty()) return;
  z = docel.Moved(zrodlo.x0 - p.x, zrodlo.y0 - p.y);
  if (t->dpr != dpr) {
    QPainter painter(&t->obraz);
    painter.drawImage(QRectF(static_cast<double>(docel.x0), static_cast<double>(docel.y0),
                             static_cast<double>(docel.Width()), static_cast<double>(docel.Height())),
                      obraz, QRectF(Urzadzenie(z)));
    return;
  }
  const QRect s = Urzadzenie(z);
  const QRect d = t->Urzadzenie(docel);
  const int w = std::min(s.width(), d.width());
  const int h = std::min(s.height(), d.height());
  const bool wDol = t == this && d.top() > s.top();
  for (int i = 0; i < h; ++i) {
    const int y = wDol ? h - 1 - i : i;
    const auto* zr = reinterpret_cast<const uint32_t*>(obraz.constScanLine(s.top() + y)) + s.left();
    auto* ds = reinterpret_cast<uint32_t*>(t->obraz.scanLine(d.top() + y)) + d.left();
    std::memmove(ds, zr, static_cast<size_t>(w) * sizeof(uint32_t));
  }
}

void SurfaceBitmap::BlitFrom(Bitmap*, Rect, Point) { KG_ASSERTION("bla"); }

void SurfaceBitmap::Pisz(int64_t x, int64_t y, const QString& s) {
  const Rect clip = Obciecie();
  if (clip.Empty()) return;
  QPainter painter(&obraz);
  painter.setClipRect(QRect(static_cast<int>(clip.x0), static_cast<int>(clip.y0), static_cast<int>(clip.Width()),
                            static_cast<int>(clip.Height())));
  const FontAttributes& a = czcionka->atrybuty;
  const int64_t szerokosc = czcionka->Szerokosc(s);
  if (!a.przezroczysty) {
    painter.fillRect(QRect(static_cast<int>(x), static_cast<int>(y), static_cast<int>(szerokosc), czcionka->wysokosc),
                     KolorTekstu(a.tlo));
  }
  painter.setFont(czcionka->font);
  painter.setPen(KolorTekstu(a.kolor));
  int64_t komorka = x;
  for (const QChar c : s) {
    painter.drawText(QPoint(static_cast<int>(komorka + 1), static_cast<int>(y + czcionka->ascent)), QString(c));
    komorka += czcionka->Komorka(c);
  }
}

void SurfaceBitmap::TextCentered(Rect r, const String& s) {
  const QString q = QString::fromStdString(s);
  const int64_t w = czcionka->Szerokosc(q);
  Pisz((r.x0 + r.x1 - w) / 2, (r.y0 + r.y1 - czcionka->wysokosc) / 2, q);
}

Rect SurfaceBitmap::TextAt(Point p, const String& s) {
  const QString q = QString::fromStdString(s);
  Pisz(p.x, p.y, q);
  return Rect{p.x, p.y, p.x + czcionka->Szerokosc(q), p.y + czcionka->wysokosc};
}

int SurfaceBitmap::Piksel(int64_t x, int64_t y) const {
  return static_cast<int>(obraz.pixel(static_cast<int>(Dev(x, dpr)), static_cast<int>(Dev(y, dpr))) & 0xFFFFFFu);
}
