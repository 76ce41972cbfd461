#pragma once
// One band of the time axis: a window onto an endless horizontal strip in which every
// moment has a fixed pixel column (time / the unit scale's pixel duration), centred on
// the band's current time. The band keeps its own copies of the axis's layers (interval
// sets, each stretched to at least one pixel and merged across gaps under a pixel) and
// marker types (thinned to 3 pixels), paints the strip piece by piece into a ring cache
// and copies the visible window to the screen. Layers are painted first, markers over
// them, unit lines and labels on top; the label of the unit holding the current time is
// bold and dark blue. Window thread only.
#include <cstdint>
#include <memory>
#include <vector>

#include "common/TypMarkerow.h"
#include "common/Update.h"
#include "core/Czas.h"
#include "display/Bitmap.h"
#include "display/VBPainter.h"
#include "display/VirtualBitmap.h"
#include "display/Wyszukiwacz.h"
#include "intervals/Przedzialy.h"

class OsCzasu4;

class FragmentOsi4 : public VBPainter {
 public:
  // A band of `os` on the scale `w`, which it owns.
  FragmentOsi4(OsCzasu4* os, std::unique_ptr<Wyszukiwacz> w);

  // Moves the band to t: when t's column differs, the band must be drawn again; when t
  // lies in another unit than the previous time, both units are repainted (the current
  // unit's label moves).
  void UstawCzas(Czas t);
  // Marks the columns of [od, do_] (and one column before, two after) for repainting.
  // Nothing happens before the first drawing, or for an empty set's span (od Czas::Max
  // or do_ zero).
  void Uniewaznij(Czas od, Czas do_);
  void UniewaznijWszystko();

  // Layer `warstwa` becomes p, stretched and merged to the pixel; the band is repainted.
  void UstawPrzedzialy(int warstwa, const Przedzialy& p);
  // Applies u to layer `warstwa`; the spans of its added and removed sets are repainted.
  void AktualizujPrzedzialy(int warstwa, Update<Przedzialy>& u);
  // Layers after `ostatnia` are dropped; the band is repainted when any were there.
  void ObetnijWarstwy(int ostatnia);
  // Marker type `typ` becomes m, thinned to 3 pixel durations; the band is repainted.
  void UstawMarkery(int typ, const TypMarkerow& m);
  // Applies u to marker type `typ` and thins it; the spans of u are repainted.
  void AktualizujMarkery(int typ, Update<TypMarkerow>& u);

  // Draws the band into `ekran` (its sub-bitmap of the axis) unless it is drawn already;
  // nothing is drawn before column 10 000. The band's name stays in the top-left corner
  // and the centre column is left for the axis's time line.
  void Rysuj(Bitmap* ekran);
  // Paints the strip's columns [r.x0, r.x1) into `cel` (the cache).
  void Paint(Bitmap* cel, Rect r) override;

  // The screen sub-bitmap the band is shown in (Rysuj also sets it).
  void UstawEkran(Bitmap* e) { ekran = e; }
  // The time of column x of the screen sub-bitmap.
  Czas CzasKolumny(int64_t x) const;

  Wyszukiwacz* Skala() const { return skala.get(); }
  Roznica Piksel() const { return skala->Piksel(); }
  int64_t Pozycja() const { return pozycja; }
  bool narysowany = false;
  // The cache; null before the first drawing.
  VirtualBitmap* Cache() const { return cache.get(); }
  int IleWarstw() const { return static_cast<int>(warstwy.size()); }
  const Przedzialy& Warstwa(int i) const { return warstwy[static_cast<size_t>(i)]; }
  const TypMarkerow& Markery(int i) const { return markery[static_cast<size_t>(i)]; }

 private:
  void RysujMarkery(Bitmap* cel, Rect r);
  void RysujJednostki(Bitmap* cel, Rect r);
  void Warstwy(int warstwa);
  void Typy(int typ);

  OsCzasu4* os;
  int64_t pozycja = 0;
  std::unique_ptr<Wyszukiwacz> skala;
  // A spare scale that finds the unit of a new time.
  std::unique_ptr<Wyszukiwacz> skala2;
  // The unit that holds `czas`, [jednostka, koniecJednostki).
  Czas jednostka;
  Czas koniecJednostki;
  std::unique_ptr<VirtualBitmap> cache;
  Bitmap* ekran = nullptr;
  Czas czas;
  std::vector<Przedzialy> warstwy;
  std::vector<TypMarkerow> markery;
};
