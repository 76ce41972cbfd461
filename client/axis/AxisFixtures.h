#pragma once
// What the axis tests share: the application (offscreen unless a platform is named), a
// fixed zone and fixed Polish names, an axis drawn into a screen bitmap, a cursor and an
// export list that tests control, and a listener that counts. Tests only.
#include <QApplication>
#include <memory>

#include "axis/EksportNaOsi.h"
#include "axis/OsPlayera.h"
#include "axis/QtDrawer.h"
#include "axis/SurfaceBitmap.h"
#include "core/Czas.h"
#include "core/RegionalNames.h"
#include "core/TimeZone.h"
#include "display/Kursor.h"
#include "display/Listener.h"
#include "support/CzasTestowy.h"

namespace axis_test {

// The one application of the test process, made at the first call.
inline QApplication* Aplikacja() {
  static QApplication* app = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char nazwa[] = "axis_test";
    static char* argv[] = {nazwa, nullptr};
    return new QApplication(argc, argv);
  }();
  return app;
}

// A first member that makes the application before any widget member.
struct ZAplikacja {
  ZAplikacja() { Aplikacja(); }
};

// A cursor that stands where the test puts it; `pozwala` false is a platform that refuses
// to move it.
struct KursorTestowy : Kursor {
  Point Pozycja() override { return p; }
  bool Przesun(Point q) override {
    if (!pozwala) return false;
    p = q;
    ++przesuniecia;
    return true;
  }
  Point p;
  bool pozwala = true;
  int przesuniecia = 0;
};

// The main window's export list, as the axis sees it.
struct EksportTestowy : EksportNaOsi {
  Przedzialy& ZaznaczenieEksportu() override { return zaznaczenie; }
  Przedzialy& WydarzeniaNaOsi() override { return wydarzenia; }
  Przedzialy& Nagrania() override { return nagrania; }
  void DodajDoEksportu(Czas od, Czas do_) override {
    zaznaczenie.Add(Przedzial(od, do_));
    ++dodane;
  }
  void UsunZEksportu(Czas od, Czas do_) override {
    zaznaczenie.Remove1(Przedzial(od, do_));
    ++usuniete;
  }
  Przedzialy zaznaczenie;
  Przedzialy wydarzenia;
  Przedzialy nagrania;
  int dodane = 0;
  int usuniete = 0;
};

struct Ucho : Listener {
  void Hey() override { ++ile; }
  int ile = 0;
};

// A player's axis drawn into a screen bitmap of W x H pixels.
struct OsNaBitmapie {
  explicit OsNaBitmapie(int W = 800, int H = 169, double dpr = 1.0) : drawer(dpr) {
    Aplikacja();
    ekran = drawer.BitmapaEkranu(Rect{0, 0, W, H});
    os.SetBitmap(ekran.get());
    os.UstawEksport(&eksport);
    os.UstawKursor(&kursor);
  }
  // One tick of the host.
  void Rysuj() {
    os.Invalidate();
    os.Paint();
  }
  SurfaceBitmap& Ekran() { return static_cast<SurfaceBitmap&>(*ekran); }
  int Piksel(int64_t x, int64_t y) { return Ekran().Piksel(x, y); }
  // The screen column of time t on band k, and a row in the middle of that band.
  int64_t X(int k, Czas t) {
    FragmentOsi4* b = os.Pasmo(k);
    const int64_t W = os.Podbitmapa(k)->Width();
    return t.Wartosc() / b->Piksel().Wartosc() - (b->Pozycja() - W / 2);
  }
  int64_t Y(int k, int64_t wiersz) { return os.Podbitmapa(k)->Prostokat().y0 + wiersz; }
  int64_t Srodek(int k) { return (os.Podbitmapa(k)->Prostokat().y0 + os.Podbitmapa(k)->Prostokat().y1) / 2; }

  StrefaWarszawska strefa;
  QtDrawer drawer;
  std::unique_ptr<Bitmap> ekran;
  EksportTestowy eksport;
  KursorTestowy kursor;
  OsPlayera os;
};

}  // namespace axis_test
