#include "axis/QtDrawer.h"

#include "axis/SurfaceBitmap.h"
#include "core/CallTrace.h"

namespace {

QFont Czcionka(const FontAttributes& a) {
  QFont f(QString::fromStdString(a.face));
  f.setBold(a.bold);
  f.setItalic(a.italic);
  f.setKerning(false);
  f.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::PreferMatch));
  f.setHintingPreference(QFont::PreferFullHinting);
  // The largest pixel size whose cell (ascent + descent) fits the height asked for.
  int rozmiar = std::max(a.height, 1);
  f.setPixelSize(rozmiar);
  while (rozmiar > 1 && QFontMetrics(f).height() > a.height) {
    f.setPixelSize(--rozmiar);
  }
  return f;
}

}  // namespace

QtFont::QtFont(const FontAttributes& a)
    : atrybuty(a), font(::Czcionka(a)), metryka(font), wysokosc(metryka.height()), ascent(metryka.ascent()) {}

int QtFont::Komorka(QChar c) const { return metryka.horizontalAdvance(c) + 2; }

int64_t QtFont::Szerokosc(const QString& s) const {
  int64_t w = 0;
  for (const QChar c : s) w += Komorka(c);
  return w;
}

QtDrawer::QtDrawer(double d) : dpr(d >= 1.0 ? d : 1.0) {}

std::unique_ptr<Bitmap> QtDrawer::NowaBitmapa(int64_t w, int64_t h) {
  KG_TRACE("QtDrawer::NowaBitmapa(int64_t w,int64_t h)");
  return std::make_unique<SurfaceBitmap>(this, w, h, dpr);
}

std::unique_ptr<Bitmap> QtDrawer::BitmapaEkranu(Rect r) {
  KG_TRACE("QtDrawer::BitmapaEkranu(Rect r)");
  auto b = std::make_unique<SurfaceBitmap>(this, r.Width(), r.Height(), dpr);
  b->SetColor(0);
  b->Fill(b->Cala());
  return b;
}

const QtFont& QtDrawer::Czcionka(const FontAttributes& a) {
  for (const auto& c : czcionki) {
    if (c->atrybuty == a) return *c;
  }
  czcionki.push_back(std::make_unique<QtFont>(a));
  return *czcionki.back();
}
