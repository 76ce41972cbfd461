#include "axis/OsPlayera.h"

#include <gtest/gtest.h>

#include "axis/AxisFixtures.h"

namespace {

using namespace axis_test;

// 12:00:00.5 UTC, 14:00:00.5 in Warsaw.
const Czas T0 = Utc(2024, 5, 1, 12, 0, 0, 500);
Czas Min(int h, int m, int s) { return Utc(2024, 5, 1, h, m, s); }

Przedzialy Zbior(std::initializer_list<Przedzial> l) {
  Przedzialy p;
  for (const Przedzial& x : l) p.Add(x);
  return p;
}

class Os : public ::testing::Test {
 protected:
  void SetUp() override { o.os.Set(T0); }
  OsNaBitmapie o;
};

// The fill of a stretch for each combination of layers, read on the minute band away
// from its unit lines and labels.
TEST_F(Os, StretchColoursForLayerCombinations) {
  Przedzialy nagrania = Zbior({{Min(11, 57, 0), Min(12, 2, 0)}});
  Przedzialy zaznaczenie = Zbior({{Min(11, 59, 0), Min(11, 59, 30)}, {Min(12, 1, 0), Min(12, 1, 20)},
                                  {Min(12, 5, 0), Min(12, 5, 20)}});
  Przedzialy wydarzenia = Zbior({{Min(12, 0, 5), Min(12, 0, 15)}, {Min(12, 1, 0), Min(12, 1, 20)}});
  Przedzialy inne = Zbior({{Min(12, 4, 0), Min(12, 4, 20)}});
  o.os.UstawPrzedzialy(0, nagrania);
  o.os.UstawPrzedzialy(1, zaznaczenie);
  o.os.UstawPrzedzialy(2, wydarzenia);
  o.os.UstawPrzedzialy(3, inne);
  o.Rysuj();

  struct Przypadek {
    const char* co;
    Czas t;
    int srodek;  // the middle rows
    int brzeg;   // the top and bottom 8 rows
  };
  const Przypadek tabela[] = {
      {"background", Min(12, 3, 8), 0xE4EAFE, 0xE4EAFE},
      {"recording", Min(11, 58, 8), 0x766FFF, 0x766FFF},
      {"recording + selection", Min(11, 59, 8), 0x766FFF, 0x0000FF},
      {"recording + event", Min(12, 0, 8), 0xFF0000, 0xFF0000},
      {"recording + event + selection", Min(12, 1, 8), 0xFF0000, 0x0000FF},
      {"event of another kind alone", Min(12, 4, 8), 0xFF0000, 0xFF0000},
      {"selection alone", Min(12, 5, 8), 0xE4EAFE, 0x0000FF},
  };
  const Rect pasmo = o.os.Podbitmapa(1)->Prostokat();
  for (const auto& p : tabela) {
    SCOPED_TRACE(p.co);
    const int64_t x = o.X(1, p.t);
    EXPECT_EQ(o.Piksel(x, pasmo.y0 + 3), p.brzeg) << std::hex;
    EXPECT_EQ(o.Piksel(x, pasmo.y0 + 7), p.brzeg) << std::hex;
    EXPECT_EQ(o.Piksel(x, pasmo.y0 + 8), p.srodek) << std::hex;
    EXPECT_EQ(o.Piksel(x, pasmo.y1 - 9), p.srodek) << std::hex;
    EXPECT_EQ(o.Piksel(x, pasmo.y1 - 8), p.brzeg) << std::hex;
    EXPECT_EQ(o.Piksel(x, pasmo.y1 - 1), p.brzeg) << std::hex;
  }
  // Dropping the event layers leaves the recording.
  o.os.UsunWydarzenia();
  o.Rysuj();
  EXPECT_EQ(o.Piksel(o.X(1, Min(12, 0, 8)), pasmo.y0 + 10), 0x766FFF);
  EXPECT_EQ(o.Piksel(o.X(1, Min(12, 4, 8)), pasmo.y0 + 10), 0xE4EAFE);
}

// A marker is two pixels wide only when it stands alone; markers closer than 3 pixels
// are thinned to one. Read on the minute band (1 s per pixel), 20 s off the labels.
TEST_F(Os, MarkersTwoPixelsWideOnlyWhenAlone) {
  struct Przypadek {
    std::vector<int> sekundy;     // marker times relative to 12:00:00.5
    std::vector<int> podwojne;    // those drawn two pixels wide
    std::vector<int> niewidoczne; // those thinned away
  };
  const Przypadek tabela[] = {
      {{-295}, {-295}, {}},
      {{-195, -155, -110}, {-110}, {}},  // columns 100, 140 and 185 relative
      {{-295, -195, -155, -110}, {-295, -110}, {}},
      {{-100, -98}, {-100}, {-98}},
  };
  const int64_t y = o.os.Podbitmapa(1)->Prostokat().y0 + 3;
  for (const auto& p : tabela) {
    TypMarkerow m;
    for (int s : p.sekundy) m.Dodaj(T0 + Roznica::Sekunda * s);
    o.os.UstawMarkery(0, m);
    o.Rysuj();
    for (int s : p.sekundy) {
      SCOPED_TRACE(s);
      const int64_t x = o.X(1, T0 + Roznica::Sekunda * s);
      const bool widoczny = std::find(p.niewidoczne.begin(), p.niewidoczne.end(), s) == p.niewidoczne.end();
      const bool podwojny = std::find(p.podwojne.begin(), p.podwojne.end(), s) != p.podwojne.end();
      if (widoczny) {
        EXPECT_EQ(o.Piksel(x, y), 0x00FF00);
        EXPECT_EQ(o.Piksel(x + 1, y), podwojny ? 0x00FF00 : 0xE4EAFE);
      } else {
        EXPECT_NE(o.Piksel(x, y), 0x00FF00);
      }
    }
  }
}

// A scroll that paints only the newly exposed columns gives the same markers as a full
// paint: a marker's width depends on all markers before it, not only on the last one
// before the repainted columns.
TEST_F(Os, MarkerWidthDoesNotDependOnWhatWasRepainted) {
  TypMarkerow m;
  for (int s : {350, 390, 410}) m.Dodaj(T0 + Roznica::Sekunda * s);
  o.os.UstawMarkery(0, m);
  o.Rysuj();  // 410 s lies beyond the right edge
  o.os.Set(T0 + Roznica::Sekunda * 20);
  o.Rysuj();  // now only the columns from 400 s on are painted
  EXPECT_LT(o.os.Pasmo(1)->Cache()->MalowaneKolumny(), 40);
  const int64_t y = o.os.Podbitmapa(1)->Prostokat().y0 + 3;
  const int64_t x = o.X(1, T0 + Roznica::Sekunda * 410);
  EXPECT_EQ(o.Piksel(x, y), 0x00FF00);
  EXPECT_EQ(o.Piksel(x + 1, y), 0x00FF00) << "50 columns after 350, alone after it: two pixels";
  EXPECT_EQ(o.Piksel(o.X(1, T0 + Roznica::Sekunda * 390) + 1, y), 0xE4EAFE);
}

// Markers every 10 s on the hour band (30 s per pixel) keep at least 3 pixels apart.
TEST_F(Os, DenseMarkersAreThinnedOnTheHourBand) {
  TypMarkerow m;
  for (int s = -3000; s <= 3000; s += 10) m.Dodaj(T0 + Roznica::Sekunda * s);
  o.os.UstawMarkery(6, m);
  o.Rysuj();
  const int64_t y = o.os.Podbitmapa(2)->Prostokat().y0 + 3;
  const int64_t od = o.X(2, T0 - Roznica::Sekunda * 2900);
  int64_t poprzedni = -100;
  int ile = 0;
  for (int64_t x = od; x < od + 180; ++x) {
    if (x == 400) continue;  // the time line
    if (o.Piksel(x, y) != 0xE7991D) continue;
    EXPECT_GE(x - poprzedni, 3) << x;
    poprzedni = x;
    ++ile;
  }
  EXPECT_GE(ile, 55);
  EXPECT_LE(ile, 61);
}

TEST_F(Os, MarkerColoursByType) {
  const std::pair<int, int> tabela[] = {{0, 0x00FF00}, {1, 0xFFFF00}, {3, 0xFFFF00}, {4, 0xFFFF00},
                                        {6, 0xE7991D}, {7, 0xFFFFFF}, {12, 0xFFFFFF}};
  const int64_t y = o.os.Podbitmapa(3)->Prostokat().y0 + 3;
  int i = 0;
  for (const auto& [typ, kolor] : tabela) {
    TypMarkerow m;
    m.Dodaj(T0 + Roznica::Godzina * (2 + 3 * i++));
    o.os.UstawMarkery(typ, m);
  }
  o.Rysuj();
  i = 0;
  for (const auto& [typ, kolor] : tabela) {
    SCOPED_TRACE(typ);
    EXPECT_EQ(o.Piksel(o.X(3, T0 + Roznica::Godzina * (2 + 3 * i++)), y), kolor) << std::hex;
  }
}

// The label of the unit that holds the time is bold and dark blue; it moves when the time
// crosses into the next unit. Read on the seconds band (30 pixels a second).
TEST_F(Os, CurrentUnitLabelMovesToTheNextUnit) {
  const auto niebieskie = [&](Czas od) {
    const Rect pasmo = o.os.Podbitmapa(0)->Prostokat();
    int n = 0;
    int biale = 0;
    for (int64_t x = o.X(0, od) + 1; x < o.X(0, od + Roznica::Sekunda); ++x) {
      if (x == 400) continue;
      for (int64_t y = pasmo.y0; y < pasmo.y1; ++y) {
        n += o.Piksel(x, y) == 0x030875;
        biale += o.Piksel(x, y) == 0xFFFFFF;
      }
    }
    return std::pair(n, biale);
  };
  const Czas s0 = Min(12, 0, 0);
  const Czas s1 = Min(12, 0, 1);
  o.Rysuj();
  EXPECT_GT(niebieskie(s0).first, 20);
  EXPECT_EQ(niebieskie(s1).first, 0);
  EXPECT_GT(niebieskie(s1).second, 20) << "the other labels are white";
  o.os.Set(T0 + Roznica::Sekunda);
  o.Rysuj();
  EXPECT_EQ(niebieskie(s0).first, 0);
  EXPECT_GT(niebieskie(s0).second, 20);
  EXPECT_GT(niebieskie(s1).first, 20);
}

TEST_F(Os, FrameRowsAndTheTimeLine) {
  Przedzialy nagrania = Zbior({{T0 - Roznica::Dzien * 40, T0 + Roznica::Dzien}});
  o.os.UstawPrzedzialy(0, nagrania);
  o.Rysuj();
  for (int64_t y : {0, 33, 67, 100, 134, 168}) {
    for (int64_t x : {0, 150, 399, 401, 799}) EXPECT_EQ(o.Piksel(x, y), 0) << x << "," << y;
  }
  for (int64_t y : {5, 50, 84, 120, 150, 168 - 1}) EXPECT_EQ(o.Piksel(400, y), 0xDF7070) << y;
  EXPECT_EQ(o.Piksel(401, 50), 0x766FFF) << "the recording next to the line";
}

// A 10-pixel drag to the right on each band moves the time back by 10 pixel durations.
TEST_F(Os, TenPixelDragOnEachBand) {
  const Roznica oczekiwane[] = {Roznica(3333330), Roznica::Sekunda * 10, Roznica::Sekunda * 300,
                                Roznica::Minuta * 60, Roznica::Godzina * 30};
  for (int k = 0; k < 5; ++k) {
    SCOPED_TRACE(k);
    Ucho u;
    o.os.SetListener(&u);
    o.os.Set(T0);
    const int y = static_cast<int>(o.Srodek(k));
    o.kursor.p = Point{200, y};
    o.os.MouseDown(TMouseButton::mbLeft, ssLeft, 200, y);
    o.kursor.p = Point{205, y};
    o.os.MouseDrag(ssLeft, Point{205, y});
    o.kursor.p = Point{210, y};
    o.os.MouseDrag(ssLeft, Point{210, y});
    EXPECT_EQ(o.os.Get(), T0 - oczekiwane[k]);
    EXPECT_EQ(u.ile, 0) << "nobody hears of a drag until it ends";
    o.os.Set(T0 + Roznica::Godzina);
    EXPECT_EQ(o.os.Get(), T0 - oczekiwane[k]) << "Set is ignored while dragging";
    o.os.MouseUp(TMouseButton::mbLeft, 0, 210, y);
    EXPECT_EQ(u.ile, 1);
    EXPECT_TRUE(o.os.CzyZmieniony());
    o.os.RemoveListener(&u);
  }
}

TEST_F(Os, CtrlDragShowsWholeUnitsAndKeepsTheAim) {
  Ucho u;
  o.os.SetListener(&u);
  const int y = static_cast<int>(o.Srodek(1));
  o.kursor.p = Point{300, y};
  o.os.MouseDown(TMouseButton::mbLeft, ssLeft, 300, y);
  o.kursor.p = Point{310, y};
  o.os.MouseDrag(ssLeft | ssCtrl, Point{310, y});
  EXPECT_EQ(o.os.Get(), Min(11, 59, 0));
  EXPECT_EQ(o.os.Cel(), T0 - Roznica::Sekunda * 10);
  o.kursor.p = Point{250, y};
  o.os.MouseDrag(ssLeft | ssCtrl, Point{250, y});
  EXPECT_EQ(o.os.Get(), Min(12, 0, 0)) << "50 s forward from 11:59:50.5";
  o.os.MouseUp(TMouseButton::mbLeft, ssCtrl, 250, y);
  EXPECT_EQ(u.ile, 1);
  EXPECT_EQ(o.os.Get(), Min(12, 0, 0)) << "the whole minute is what is passed on";
  o.os.RemoveListener(&u);
}

// The cursor wraps at the axis's edges; where the platform refuses, the drag goes on.
TEST_F(Os, CursorWrapsAtTheEdgesUnlessRefused) {
  for (const bool pozwala : {true, false}) {
    SCOPED_TRACE(pozwala);
    o.os.Set(T0);
    o.kursor.pozwala = pozwala;
    o.os.Kontrolka()->poczatekEkranu = Point{100, 50};
    const int y = static_cast<int>(o.Srodek(1));
    o.kursor.p = Point{110, 50 + y};
    o.os.MouseDown(TMouseButton::mbLeft, ssLeft, 10, y);
    o.kursor.p = Point{100, 50 + y};  // at the left edge
    o.os.MouseDrag(ssLeft, Point{0, y});
    EXPECT_EQ(o.os.Get(), T0 + Roznica::Sekunda * 10);
    EXPECT_EQ(o.kursor.p.x, pozwala ? 100 + 800 - 2 : 100);
    o.kursor.p.x -= 3;
    o.os.MouseDrag(ssLeft, Point{o.kursor.p.x - 100, y});
    EXPECT_EQ(o.os.Get(), T0 + Roznica::Sekunda * 13) << "no jump across the wrap";
    o.os.MouseUp(TMouseButton::mbLeft, 0, 0, y);
  }
}

// The month band's pixel: twice the span of the recordings over the width, between 1 and
// 20 hours.
TEST_F(Os, MonthScaleFollowsTheSpanOfTheRecordings) {
  const std::pair<int, Roznica> tabela[] = {
      {10, Roznica::Godzina}, {100, Roznica::Godzina * 6}, {1000, Roznica::Godzina * 20}};
  for (const auto& [dni, krok] : tabela) {
    SCOPED_TRACE(dni);
    OsNaBitmapie os800(800);
    EXPECT_EQ(os800.os.SkalaMiesiecy()->krok, Roznica::Godzina * 3) << "before the first recording";
    Przedzialy p = Zbior({{T0 - Roznica::Dzien * dni, T0}});
    os800.os.UstawPrzedzialy(0, p);
    EXPECT_EQ(os800.os.SkalaMiesiecy()->krok, krok);
    EXPECT_EQ(os800.os.Pasmo(4)->Piksel(), krok);
  }
  // A change of less than a day keeps the scale; a day more rescales.
  OsNaBitmapie os800(800);
  Przedzialy p = Zbior({{T0 - Roznica::Dzien * 100, T0}});
  os800.os.UstawPrzedzialy(0, p);
  Update<Przedzialy> u;
  u.plus.Add(Przedzial(T0, T0 + Roznica::Godzina * 23));
  os800.os.AktualizujPrzedzialy(0, u);
  EXPECT_EQ(os800.os.SkalaMiesiecy()->krok, Roznica::Godzina * 6);
  Update<Przedzialy> v;
  v.plus.Add(Przedzial(T0, T0 + Roznica::Dzien * 20));
  os800.os.AktualizujPrzedzialy(0, v);
  EXPECT_EQ(os800.os.SkalaMiesiecy()->krok, Roznica(Roznica::Dzien.Wartosc() * 240 / 800));
}

// Recordings that first arrive as an update give the span of the update, not one that
// reaches back to the year 1601.
TEST_F(Os, FirstRecordingsByUpdateGiveTheirOwnSpan) {
  Update<Przedzialy> u;
  u.plus.Add(Przedzial(T0 - Roznica::Dzien * 100, T0));
  o.os.AktualizujPrzedzialy(0, u);
  EXPECT_EQ(o.os.Zakres(), Przedzial(T0 - Roznica::Dzien * 100, T0));
  EXPECT_EQ(o.os.SkalaMiesiecy()->krok, Roznica::Godzina * 6);
}

// A right click edits the export selection.
TEST_F(Os, RightClickEditsTheExportSelection) {
  o.eksport.nagrania = Zbior({{Min(12, 0, 0), Min(12, 40, 0)}, {Min(13, 10, 0), Min(13, 50, 0)}});
  o.eksport.wydarzenia = Zbior({{Min(13, 15, 0), Min(13, 20, 0)}});
  o.os.UstawPrzedzialy(0, o.eksport.nagrania);
  o.Rysuj();
  const int y = static_cast<int>(o.Srodek(2));
  const auto klik = [&](Czas t) {
    o.os.MouseUp(TMouseButton::mbRight, 0, static_cast<int>(o.X(2, t)), y);
  };
  klik(Min(12, 10, 0));  // an hour with recordings: its recorded part
  EXPECT_EQ(o.eksport.zaznaczenie.Wszystkie(), (std::vector<Przedzial>{{Min(12, 0, 0), Min(12, 40, 0)}}));
  klik(Min(14, 30, 0));  // nothing recorded in that hour
  EXPECT_EQ(o.eksport.dodane, 1);
  klik(Min(13, 17, 0));  // an event
  EXPECT_EQ(o.eksport.zaznaczenie.Count(), 2);
  EXPECT_TRUE(o.eksport.zaznaczenie.Zawiera(Min(13, 15, 0)));
  EXPECT_FALSE(o.eksport.zaznaczenie.Zawiera(Min(13, 12, 0)));
  o.eksport.zaznaczenie = Zbior({{Min(10, 0, 0), Min(13, 30, 0)}});
  klik(Min(12, 10, 0));  // inside a selection spanning hours: all of it goes
  EXPECT_EQ(o.eksport.zaznaczenie.Count(), 0);
  EXPECT_EQ(o.eksport.usuniete, 1);
}

}  // namespace

namespace {

// The first pixel at which two pictures differ, "x,y"; empty when they are the same.
std::string PierwszaRoznica(const QImage& a, const QImage& b) {
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      if (a.pixel(x, y) != b.pixel(x, y)) return std::to_string(x) + "," + std::to_string(y);
    }
  }
  return "";
}

// The host leaves a tick out when the axis says nothing is out of date, and paints only
// the bands out of date when only some are (Nieaktualne): at 10 ms ticks the picture must
// still be, tick for tick, the one a full redraw gives, through
// time moving within and across columns and units, new layers, markers and an export
// selection arriving, and a jump.
TEST(OsPominieteTicki, ObrazJakPrzyPelnymRysowaniu) {
  OsNaBitmapie pomijajaca;
  OsNaBitmapie pelna;
  int pominiete = 0;
  int czesciowe = 0;
  Czas t = T0;
  for (int tick = 0; tick < 400; ++tick) {
    // What the window's logic does now and then, given to both alike.
    auto obie = [&](auto f) {
      f(pomijajaca.os);
      f(pelna.os);
    };
    if (tick == 50) {
      obie([&](OsPlayera& os) {
        Przedzialy nagrania = Zbior({{t - Roznica::Godzina, t + Roznica::Sekunda * 2}});
        os.UstawPrzedzialy(0, nagrania);
      });
    }
    if (tick == 120) {
      obie([&](OsPlayera& os) {
        TypMarkerow m;
        m.Dodaj(t + Roznica::Sekunda * 3);
        os.UstawMarkery(0, m);
      });
    }
    if (tick == 200) {
      obie([&](OsPlayera& os) {
        Update<Przedzialy> u;
        u.plus.Add(Przedzial(t + Roznica::Sekunda * 2, t + Roznica::Sekunda * 4));
        os.AktualizujPrzedzialy(0, u);
        Przedzialy eksport = Zbior({{t - Roznica::Sekunda * 5, t + Roznica::Sekunda}});
        os.UstawPrzedzialy(1, eksport);
      });
    }
    if (tick == 300) t += Roznica::Minuta * 7;
    t += Roznica::Milisekunda * 10;
    obie([&](OsPlayera& os) { os.Set(t); });

    // As the host does it: nothing, only the bands out of date, or everything.
    const Rect cala{0, 0, pomijajaca.ekran->Width(), pomijajaca.ekran->Height()};
    const Rect r = pomijajaca.os.Nieaktualne(cala);
    if (r.Empty()) {
      ++pominiete;
    } else if (r == cala) {
      pomijajaca.Rysuj();
    } else {
      pomijajaca.os.Paint();
      ++czesciowe;
    }
    pelna.Rysuj();
    ASSERT_EQ(PierwszaRoznica(pomijajaca.Ekran().Obraz(), pelna.Ekran().Obraz()), "") << "tick " << tick;
  }
  // About a third of a column per tick on the seconds band: most ticks change nothing,
  // and most of the others only some bands.
  EXPECT_GT(pominiete, 200);
  EXPECT_GT(czesciowe, 50);
}

}  // namespace
