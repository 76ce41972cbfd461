#include "display/VirtualBitmap.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <utility>
#include <vector>

#include "axis/AxisFixtures.h"
#include "axis/QtDrawer.h"
#include "axis/SurfaceBitmap.h"

namespace {

using axis_test::Aplikacja;

// Paints every column in a colour of its own (its number) and notes what it was asked.
struct Paski : VBPainter {
  void Paint(Bitmap* cel, Rect r) override {
    zakresy.emplace_back(r.x0, r.x1);
    for (int64_t x = r.x0; x < r.x1; ++x) {
      cel->SetColor(static_cast<int>(x & 0xFFFFFF));
      cel->Fill(Rect{x, r.y0, x + 1, r.y1});
    }
  }
  std::vector<std::pair<int64_t, int64_t>> zakresy;
};

// The window's columns copied out in order must be the strip's own.
void SprawdzOkno(QtDrawer& d, VirtualBitmap& v) {
  const Rect o = v.Okno();
  auto cel = d.NowaBitmapa(o.Width(), o.Height());
  v.BlitTo(o, cel.get(), Point{0, 0});
  auto& s = static_cast<SurfaceBitmap&>(*cel);
  for (int64_t x = 0; x < o.Width(); ++x) {
    ASSERT_EQ(s.Piksel(x, o.Height() / 2), static_cast<int>((o.x0 + x) & 0xFFFFFF)) << "column " << x;
  }
}

TEST(VirtualBitmap, ScrollingRepaintsOnlyTheExposedColumns) {
  Aplikacja();
  QtDrawer d;
  VirtualBitmap v(&d);
  Paski p;
  struct Krok {
    int64_t x0;  // the new window's left edge (600 columns wide)
    std::vector<std::pair<int64_t, int64_t>> malowane;
  };
  const Krok kroki[] = {
      {100000, {{100000, 100600}}},  // first window: all of it
      {100005, {{100600, 100605}}},  // 5 right
      {100005, {}},                  // still
      {99998, {{99998, 100005}}},    // 7 left
      {100598, {{100598, 101198}}},  // exactly 600 right: a new window
      {100000, {{100000, 100598}}},  // 598 left: only the uncovered columns
      {99000, {{99000, 99600}}},     // far left
  };
  for (const Krok& k : kroki) {
    SCOPED_TRACE(k.x0);
    p.zakresy.clear();
    v.Uaktualnij(Rect{k.x0, 0, k.x0 + 600, 20}, p);
    EXPECT_EQ(p.zakresy, k.malowane);
    SprawdzOkno(d, v);
  }
}

TEST(VirtualBitmap, InvalidatedRangesArePaintedCutToTheWindow) {
  Aplikacja();
  QtDrawer d;
  VirtualBitmap v(&d);
  Paski p;
  v.Uaktualnij(Rect{5000, 0, 5600, 10}, p);
  v.Uniewaznij(4000, 5010);
  v.Uniewaznij(5300, 5302);
  v.Uniewaznij(7000, 8000);
  p.zakresy.clear();
  v.Uaktualnij(Rect{5001, 0, 5601, 10}, p);
  const std::vector<std::pair<int64_t, int64_t>> oczekiwane = {{5600, 5601}, {5001, 5010}, {5300, 5302}};
  EXPECT_EQ(p.zakresy, oczekiwane);
  EXPECT_EQ(v.MalowaneKolumny(), 1 + 9 + 2);
  p.zakresy.clear();
  v.Uaktualnij(Rect{5001, 0, 5601, 10}, p);
  EXPECT_TRUE(p.zakresy.empty()) << "the list is emptied once painted";
}

// A fill and a label across the ring's wrap point come out whole.
TEST(VirtualBitmap, FillAndTextAcrossTheWrapPoint) {
  Aplikacja();
  QtDrawer d;
  VirtualBitmap v(&d);
  Paski p;
  v.Uaktualnij(Rect{1000, 0, 1200, 30}, p);
  v.Uaktualnij(Rect{1150, 0, 1350, 30}, p);  // the ring's origin moves by 150
  ASSERT_NE(v.Przesuniecie(), 100);
  // The virtual column at which the buffer wraps round lies inside the window.
  const int64_t wrap = v.Okno().x0 + (200 - v.Przesuniecie());
  ASSERT_GT(wrap, v.Okno().x0);
  ASSERT_LT(wrap, v.Okno().x1);
  v.SetColor(0x123456);
  v.Fill(Rect{wrap - 20, 0, wrap + 20, 30});
  FontAttributes a;
  a.height = 20;
  a.bold = true;
  a.kolor = 0x750803;
  v.SetFont(a);
  v.TextCentered(Rect{wrap - 60, 0, wrap + 60, 30}, "88888888");

  auto cel = d.NowaBitmapa(200, 30);
  v.BlitTo(v.Okno(), cel.get(), Point{0, 0});
  auto& s = static_cast<SurfaceBitmap&>(*cel);
  const int64_t w = wrap - v.Okno().x0;
  int niebieskie[2] = {0, 0};
  for (int64_t x = w - 20; x < w + 20; ++x) {
    for (int64_t y = 0; y < 30; ++y) {
      const int c = s.Piksel(x, y);
      if (c == 0x030875) {
        ++niebieskie[x < w ? 0 : 1];
      } else {
        EXPECT_EQ(c, 0x123456) << x << "," << y;
      }
    }
  }
  EXPECT_GT(niebieskie[0], 10) << "the label's left half, before the wrap point";
  EXPECT_GT(niebieskie[1], 10) << "the label's right half, after it";
}

TEST(SurfaceBitmap, FontsByTheSystemsNamesAreCachedAndColoursKeepTheirOrder) {
  Aplikacja();
  QtDrawer d;
  FontAttributes arial;
  arial.height = 20;
  arial.bold = true;
  const QtFont& a = d.Czcionka(arial);
  EXPECT_EQ(QFontInfo(a.font).family(), "Liberation Sans");
  EXPECT_LE(a.wysokosc, 20);
  EXPECT_GE(a.wysokosc, 18) << "the cell height is the height asked for";
  const int n = d.IleCzcionek();
  EXPECT_EQ(&d.Czcionka(arial), &a) << "the same attributes give the same cached font";
  EXPECT_EQ(d.IleCzcionek(), n);
  FontAttributes courier = arial;
  courier.face = "Courier New";
  EXPECT_EQ(QFontInfo(d.Czcionka(courier).font).family(), "Liberation Mono");
  EXPECT_EQ(d.IleCzcionek(), n + 1);

  // Text in 0x00BBGGRR: 0x750803 is dark blue. Centred as the layer defines it.
  auto b = d.NowaBitmapa(100, 40);
  b->SetColor(0xFFFFFF);
  b->Fill(b->Cala());
  arial.kolor = 0x750803;
  b->SetFont(arial);
  b->TextCentered(Rect{0, 0, 100, 40}, "00");
  auto& s = static_cast<SurfaceBitmap&>(*b);
  const int64_t w = a.Szerokosc("00");
  int64_t lewy = 100;
  int64_t prawy = -1;
  for (int64_t x = 0; x < 100; ++x) {
    for (int64_t y = 0; y < 40; ++y) {
      const int c = s.Piksel(x, y);
      ASSERT_TRUE(c == 0xFFFFFF || c == 0x030875) << std::hex << c << " (not antialiased)";
      if (c == 0x030875) {
        lewy = std::min(lewy, x);
        prawy = std::max(prawy, x);
      }
    }
  }
  EXPECT_GE(lewy, (100 - w) / 2 + 1);
  EXPECT_LT(prawy, (100 - w) / 2 + w);
  EXPECT_EQ(b->TextAt(Point{3, 4}, "00"), (Rect{3, 4, 3 + w, 4 + a.wysokosc}));
}

TEST(SurfaceBitmap, ClipIsClampedAndCutsCopiesButNotFills) {
  Aplikacja();
  QtDrawer d;
  auto a = d.NowaBitmapa(50, 10);
  auto b = d.NowaBitmapa(50, 10);
  a->SetColor(0x00FF00);
  a->Fill(a->Cala());
  b->SetColor(0);
  b->Fill(b->Cala());
  b->Clip(Rect{-5, -5, 20, 100});
  EXPECT_EQ(b->Obciecie(), (Rect{0, 0, 20, 10}));
  a->BlitTo(a->Cala(), b.get(), Point{0, 0});
  auto& s = static_cast<SurfaceBitmap&>(*b);
  EXPECT_EQ(s.Piksel(19, 5), 0x00FF00);
  EXPECT_EQ(s.Piksel(20, 5), 0) << "copies stop at the clip";
  b->SetColor(0xFF0000);
  b->Fill(Rect{30, 0, 40, 10});
  EXPECT_EQ(s.Piksel(35, 5), 0xFF0000) << "fills do not";
  // A sub-bitmap translates and cuts everything to itself.
  b->Clip(b->Cala());
  auto sub = b->Sub(nullptr, Rect{10, 2, 20, 8});
  sub->SetColor(0x0000FF);
  sub->Fill(Rect{-100, -100, 100, 100});
  EXPECT_EQ(s.Piksel(10, 2), 0x0000FF);
  EXPECT_EQ(s.Piksel(9, 2), 0x00FF00);
  EXPECT_EQ(s.Piksel(10, 8), 0x00FF00);
  Bitmap* dawny = sub.get();
  sub = b->Sub(std::move(sub), Rect{0, 0, 5, 5});
  EXPECT_EQ(sub.get(), dawny) << "an old sub-bitmap is re-aimed";
  EXPECT_EQ(sub->Width(), 5);
}

}  // namespace
