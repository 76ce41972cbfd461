#pragma once
// The player's time axis: the axis with the month band, whose pixel duration follows the
// span of the recordings (so that the span fills about half the band), the colours of
// the layers and marker types, and the right click that edits the export selection.
//
// Layers: 0 recordings (0x766FFF), 1 the export selection (its top and bottom 8 rows in
// 0x0000FF), 2 + k events of kind k (0xFF0000, over the recordings); elsewhere 0xE4EAFE.
// Marker types: 0 green, 1-5 yellow (3 the "Od" mark, 4 the "Do" mark), 6 + k the markers
// of event list entry k (orange for k = 0, white after). Window thread only.
#include "axis/EksportNaOsi.h"
#include "axis/OsCzasu4.h"
#include "display/SmartMiesiace3.h"

class OsPlayera : public OsCzasu4 {
 public:
  // `eksport` (the main window) edits the export selection on a right click; it may be
  // null, and then a right click does nothing.
  explicit OsPlayera(EksportNaOsi* eksport = nullptr);

  // For layer 0 the span of the recordings becomes p's, and the months are rescaled.
  void UstawPrzedzialy(int warstwa, Przedzialy& p) override;
  // For layer 0 the span widens by the span of the added set, and the months are
  // rescaled.
  void AktualizujPrzedzialy(int warstwa, Update<Przedzialy>& u) override;
  void RysujMarker(Bitmap* b, int typ, int64_t x) override;
  // On the export selection: its interval holding t is removed. On an event: the event's
  // interval is added. Elsewhere: the recorded parts of `jednostka` are added.
  void PrawyKlik(Czas t, Przedzial jednostka) override;
  void RysujOdcinek(Bitmap* b, int64_t x0, int64_t x1, int64_t y1, uint64_t flagi) override;
  // A new width rescales the months, as the span fills half of the band's width.
  void SetBitmap(Bitmap* b) override;

  // Drops every event layer (layers 2 and up).
  void UsunWydarzenia() { ObetnijWarstwy(1); }
  // Marker type 6 + k: the markers of event list entry k.
  void UstawMarkeryWydarzenia(int k, TypMarkerow& m) { UstawMarkery(6 + k, m); }
  void AktualizujMarkeryWydarzenia(int k, Update<TypMarkerow>& u) { AktualizujMarkery(6 + k, u); }
  // The "Od" and "Do" marks, one time each.
  void UstawOd(Czas c);
  void UstawDo(Czas c);

  // The span of the recordings known so far; [0, 0] before the first.
  Przedzial Zakres() const { return zakres; }
  SmartMiesiace3* SkalaMiesiecy() const { return miesiace; }
  void UstawEksport(EksportNaOsi* e) { eksport = e; }

 private:
  // Sets the month scale's pixel duration from the span (2 x span / width, between 1 and
  // 20 hours) unless the span changed by less than a day; `zawsze` rescales anyway.
  void Skaluj(bool zawsze);

  SmartMiesiace3* miesiace;
  Przedzial zakres;
  EksportNaOsi* eksport;
};
