#include "display/SubBitmap.h"

#include "core/CallTrace.h"

class SubBitmap::ObciecieRodzica {
 public:
  explicit ObciecieRodzica(const SubBitmap& s) : rodzic(s.rodzic), stare(s.rodzic->Obciecie()) {
    rodzic->Clip(s.Obciecie().Moved(s.obszar.x0, s.obszar.y0).Intersected(stare));
  }
  ~ObciecieRodzica() { rodzic->Clip(stare); }
  ObciecieRodzica(const ObciecieRodzica&) = delete;
  ObciecieRodzica& operator=(const ObciecieRodzica&) = delete;

 private:
  Bitmap* rodzic;
  Rect stare;
};

SubBitmap::SubBitmap(Bitmap* r, Rect o) : Bitmap(r->GetDrawer(), o.Width(), o.Height()), rodzic(r), obszar(o) {}

void SubBitmap::Przestaw(Bitmap* r, Rect o) {
  KG_TRACE("SubBitmap::Przestaw(Bitmap* r, Rect o)");
  rodzic = r;
  obszar = o;
  UstawDrawer(r->GetDrawer());
  Wymiary(o.Width(), o.Height());
}

void SubBitmap::SetColor(int c) { rodzic->SetColor(c); }

void SubBitmap::SetFont(const FontAttributes& a) { rodzic->SetFont(a); }

void SubBitmap::Fill(Rect r) {
  const Rect c = r.Intersected(Cala());
  if (c.Empty()) return;
  rodzic->Fill(c.Moved(obszar.x0, obszar.y0));
}

void SubBitmap::BlitTo(Rect zrodlo, Bitmap* cel, Point p) {
  const Rect c = zrodlo.Intersected(Cala());
  if (c.Empty()) return;
  rodzic->BlitTo(c.Moved(obszar.x0, obszar.y0), cel, Point{p.x + (c.x0 - zrodlo.x0), p.y + (c.y0 - zrodlo.y0)});
}

void SubBitmap::BlitFrom(Bitmap* zrodlo, Rect r, Point p) {
  ObciecieRodzica o(*this);
  zrodlo->BlitTo(r, rodzic, Point{p.x + obszar.x0, p.y + obszar.y0});
}

void SubBitmap::TextCentered(Rect r, const String& s) {
  ObciecieRodzica o(*this);
  rodzic->TextCentered(r.Moved(obszar.x0, obszar.y0), s);
}

Rect SubBitmap::TextAt(Point p, const String& s) {
  ObciecieRodzica o(*this);
  return rodzic->TextAt(Point{p.x + obszar.x0, p.y + obszar.y0}, s).Moved(-obszar.x0, -obszar.y0);
}
