#pragma once
// The time axis: five stacked bands (seconds, minutes, hours, local days and, on the
// player's axis, months) around the displayed time, with the layers (interval sets) and
// marker types that every band shows, and a drag that moves in time. It is a time
// component: Set moves it without notice (and is ignored while the user drags), and a
// finished drag tells the listener. The axis host gives it its bitmap, lets it paint on
// every tick and routes the mouse to it. Window thread only.
#include <array>
#include <cstdint>
#include <memory>

#include "axis/FragmentOsi4.h"
#include "axis/Przeciaganie.h"
#include "common/TypMarkerow.h"
#include "common/Update.h"
#include "core/Czas.h"
#include "display/BitmapControl.h"
#include "display/BitmapUpdater.h"
#include "display/Kursor.h"
#include "display/MouseReceiver.h"
#include "display/SubBitmap.h"
#include "display/TimeComponent.h"
#include "intervals/Przedzialy.h"

class OsCzasu4 : public TimeComponent, public MouseReceiver, public BitmapUpdater {
 public:
  static constexpr int kPasma = 5;

  // The displayed time is now; bands 0-3 are made on the seconds, minutes, hours and
  // local days scales; band 4 is the subclass's.
  OsCzasu4();
  ~OsCzasu4() override;

  // The displayed time.
  Czas Get() override;
  // Shows c and makes it the drag's starting point; ignored while the user drags.
  void Set(Czas c) override;

  // Layer `warstwa` of every band becomes p (layer 0 recordings, 1 the export selection,
  // 2 + k the intervals of event kind k).
  virtual void UstawPrzedzialy(int warstwa, Przedzialy& p);
  virtual void AktualizujPrzedzialy(int warstwa, Update<Przedzialy>& u);
  // Draws a marker of type `typ` at column x of a band bitmap: one column over the
  // bitmap's full height, here in a colour of its own per type.
  virtual void RysujMarker(Bitmap* b, int typ, int64_t x);
  // A right click at time t on a band whose unit holding t is `jednostka`.
  virtual void PrawyKlik(Czas t, Przedzial jednostka);

  // Lays the bands out in b, top to bottom, one fifth of its height each, with one row
  // between them for the frame.
  void SetBitmap(Bitmap* b) override;
  void Invalidate() override;
  // Draws the bands that changed, then (after Invalidate) the frame: black rows between
  // and around the bands and the red time line in the centre column.
  void Paint() override;
  // The bands not drawn (a band's time moved to another column, its layers, marks or
  // current unit changed), or all of `cala` while the frame is not drawn (a new target).
  Rect Nieaktualne(Rect cala) const override;

  // A left press starts a drag on the band under (x, y).
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  // The left release ends a drag and tells the listener; the right release is a right
  // click on the band under (x, y).
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  // Moves the time by the cursor's displacement times the pixel duration of the band
  // where the drag began (right is earlier); with Ctrl the whole unit is shown.
  void MouseDrag(TShiftState shift, Point p) override;

  // Fills [x0, x1) x [0, y1) of a band bitmap for a stretch covered by the layers in
  // `flagi` (bit i for layer i).
  virtual void RysujOdcinek(Bitmap* b, int64_t x0, int64_t x1, int64_t y1, uint64_t flagi) = 0;

  // Passed to every band.
  void ObetnijWarstwy(int ostatnia);
  void UstawMarkery(int typ, TypMarkerow& m);
  void AktualizujMarkery(int typ, Update<TypMarkerow>& u);

  // The cursor the drag reads and wraps; without one the drag follows the mouse events
  // and never wraps.
  void UstawKursor(Kursor* k) { kursor = k; }
  // What the axis host talks to.
  BitmapControl* Kontrolka() { return &kontrolka; }
  FragmentOsi4* Pasmo(int k) const { return pasma[static_cast<size_t>(k)].get(); }
  SubBitmap* Podbitmapa(int k) const { return podbitmapy[static_cast<size_t>(k)].get(); }
  bool Przeciagany() const { return przeciaganie.aktywny; }
  // The time the drag aims at, unrounded.
  Czas Cel() const { return cel; }

 protected:
  // Shows t on every band; times before 1700-12-08 are ignored.
  void UstawCzas(Czas t);
  // The band whose sub-bitmap holds (x, y); band 0, with a diagnostic, when none does.
  int PasmoPod(int x, int y) const;
  Bitmap* bitmapa = nullptr;
  std::array<std::unique_ptr<FragmentOsi4>, kPasma> pasma;

 private:
  Point PozycjaKursora(Point wzgledna);

  Czas czas;
  Czas cel;
  std::array<std::unique_ptr<SubBitmap>, kPasma> podbitmapy;
  bool narysowane = false;
  Przeciaganie przeciaganie;
  Wyszukiwacz* skala = nullptr;
  Kursor* kursor = nullptr;
  BitmapControl kontrolka;
};
