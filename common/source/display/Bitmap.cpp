#include "display/Bitmap.h"

#include <utility>

#include "core/CallTrace.h"
#include "core/Exception.h"
#include "display/SubBitmap.h"

Bitmap::Bitmap(Drawer* d, int64_t szerokosc, int64_t wysokosc)
    : drawer(d), szer_(szerokosc), wys_(wysokosc), clipRect{0, 0, szerokosc, wysokosc} {}

std::unique_ptr<SubBitmap> Bitmap::Sub(std::unique_ptr<SubBitmap> stary, Rect r) {
  KG_TRACE("Bitmap::Sub(std::unique_ptr<SubBitmap> stary, Rect r)");
  if (stary) {
    stary->Przestaw(this, r);
    return stary;
  }
  return std::make_unique<SubBitmap>(this, r);
}

void Bitmap::Clip(Rect r) {
  KG_TRACE("Bitmap::Clip(Rect r)");
  r.x0 = std::clamp<int64_t>(r.x0, 0, szer_);
  r.x1 = std::clamp<int64_t>(r.x1, 0, szer_);
  r.y0 = std::clamp<int64_t>(r.y0, 0, wys_);
  r.y1 = std::clamp<int64_t>(r.y1, 0, wys_);
  if (r.x0 < 0) KG_ASSERTION("clipRect.l<0");
  if (r.y0 < 0) KG_ASSERTION("clipRect.t<0");
  if (r.x1 > szer_) KG_ASSERTION("clipRect.r>w");
  if (r.y1 > wys_) KG_ASSERTION("clipRect.b>h");
  clipRect = r;
}

void Bitmap::Wymiary(int64_t szerokosc, int64_t wysokosc) {
  szer_ = szerokosc;
  wys_ = wysokosc;
  clipRect = Rect{0, 0, szer_, wys_};
}
