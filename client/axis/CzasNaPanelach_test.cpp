#include "axis/CzasNaPanelach.h"

#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

#include "axis/AxisFixtures.h"
#include "axis/PaneleCzasu.h"
#include "display/DoubleTimeComponent.h"

namespace {

using namespace axis_test;

struct Panele : ::testing::Test {
  void SetUp() override { Aplikacja(); }
  QString Tekst() {
    QString s;
    for (QLabel* l : widok.Panele()) s += l->text() + "|";
    return s;
  }
  ZAplikacja aplikacja;
  StrefaWarszawska strefa;
  PaneleCzasu widok;
  CzasNaPanelach panele{widok.Panele()};
};

TEST_F(Panele, ShowLocalTimeMonthNameAndSummerTime) {
  panele.Set(Utc(2024, 5, 1, 21, 59, 58, 750));
  EXPECT_EQ(Tekst(), "0|1|maj|2024|2|3|5|9|5|8|7|Czas letni|");
  panele.Set(Utc(2024, 12, 31, 23, 5, 9, 99));
  EXPECT_EQ(Tekst(), "0|1|styczeń|2025|0|0|0|5|0|9|0|Czas zimowy|");
  EXPECT_EQ(widok.Panele()[0]->font().family(), "Courier New");
  EXPECT_TRUE(widok.Panele()[0]->font().bold());
  EXPECT_EQ(widok.Panele()[0]->font().pixelSize(), 16);
  // A zero time changes nothing.
  panele.Set(Czas());
  EXPECT_EQ(Tekst(), "0|1|styczeń|2025|0|0|0|5|0|9|0|Czas zimowy|");
  EXPECT_EQ(panele.Get(), Utc(2024, 12, 31, 23, 5, 9, 99));
}

// Left clicks move forward by the panel's step, other buttons back; the listener hears
// each click once.
TEST_F(Panele, ClicksStepThePanelsTime) {
  struct Przypadek {
    int panel;
    Qt::MouseButton przycisk;
    Czas od;
    Czas doCzasu;
  };
  const Przypadek tabela[] = {
      {10, Qt::LeftButton, Utc(2024, 5, 1, 12), Utc(2024, 5, 1, 12, 0, 0, 100)},
      {0, Qt::RightButton, Utc(2024, 5, 11, 12), Utc(2024, 5, 1, 12)},
      {2, Qt::LeftButton, Utc(2023, 1, 31, 12), Utc(2023, 3, 2, 12)},
      {2, Qt::LeftButton, Utc(2024, 1, 31, 12), Utc(2024, 3, 1, 12)},
      {3, Qt::MiddleButton, Utc(2024, 5, 1, 12), Utc(2023, 5, 2, 12)},
      {4, Qt::LeftButton, Utc(2024, 5, 1, 12), Utc(2024, 5, 1, 22)},
      {7, Qt::RightButton, Utc(2024, 5, 1, 12), Utc(2024, 5, 1, 11, 59)},
      {9, Qt::LeftButton, Utc(2024, 5, 1, 12), Utc(2024, 5, 1, 12, 0, 1)},
  };
  Ucho u;
  panele.SetListener(&u);
  int klikniec = 0;
  for (const auto& p : tabela) {
    SCOPED_TRACE(p.panel);
    panele.Set(p.od);
    QTest::mouseClick(widok.Panele()[static_cast<size_t>(p.panel)], p.przycisk);
    EXPECT_EQ(panele.Get(), p.doCzasu);
    EXPECT_EQ(u.ile, ++klikniec);
  }
  QTest::mouseClick(widok.Panele()[11], Qt::LeftButton);
  EXPECT_EQ(u.ile, klikniec) << "the summer-time label is no panel to click";
  panele.RemoveListener(&u);
}

// Joined to the axis: Set on the pair tells nobody; a click on the panels moves the axis
// and tells the pair's listener once; a drag on the axis then reaches the panels.
TEST_F(Panele, JoinedToTheAxis) {
  OsNaBitmapie o;
  DoubleTimeComponent para(&o.os, &panele);
  Ucho u;
  para.SetListener(&u);
  const Czas t = Utc(2024, 5, 1, 12);
  para.Set(t);
  EXPECT_EQ(u.ile, 0);
  QTest::mouseClick(widok.Panele()[5], Qt::LeftButton);
  EXPECT_EQ(u.ile, 1);
  EXPECT_EQ(o.os.Get(), t + Roznica::Godzina);
  const int y = static_cast<int>(o.Srodek(1));
  o.kursor.p = Point{300, y};
  o.os.MouseDown(TMouseButton::mbLeft, ssLeft, 300, y);
  o.kursor.p = Point{360, y};
  o.os.MouseDrag(ssLeft, Point{360, y});
  o.os.MouseUp(TMouseButton::mbLeft, 0, 360, y);
  EXPECT_EQ(u.ile, 2);
  EXPECT_EQ(panele.Get(), t + Roznica::Godzina - Roznica::Minuta);
  EXPECT_EQ(Tekst().section('|', 4, 7), "1|4|5|9");
  para.RemoveListener(&u);
}

}  // namespace
