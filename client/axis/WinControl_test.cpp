#include "axis/WinControl.h"

#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "axis/AxisFixtures.h"
#include "display/BitmapUpdater.h"

namespace {

using namespace axis_test;

// Notes every call of the host, in order.
struct Nagrywacz : BitmapUpdater, MouseReceiver {
  void SetBitmap(Bitmap* b) override { zdarzenia.push_back("SetBitmap " + std::to_string(b->Width())); }
  void Invalidate() override { zdarzenia.push_back("Invalidate"); }
  void Paint() override { zdarzenia.push_back("Paint"); }
  Rect Nieaktualne(Rect cala) const override { return nieaktualne ? *nieaktualne : cala; }
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override {
    zdarzenia.push_back("Down " + std::to_string(static_cast<int>(b)) + " " + std::to_string(s) + " " +
                        std::to_string(x) + "," + std::to_string(y));
  }
  void MouseUp(TMouseButton b, TShiftState, int x, int y) override {
    zdarzenia.push_back("Up " + std::to_string(static_cast<int>(b)) + " " + std::to_string(x) + "," +
                        std::to_string(y));
  }
  void MouseDrag(TShiftState s, Point p) override {
    zdarzenia.push_back("Drag " + std::to_string(s) + " " + std::to_string(p.x) + "," + std::to_string(p.y));
  }
  void DblClick() override { zdarzenia.push_back("DblClick"); }
  std::vector<std::string> zdarzenia;
  std::optional<Rect> nieaktualne;  // none: all of it
};

struct Okno : ::testing::Test {
  void SetUp() override {
    Aplikacja();
    kontrolka.updater = &n;
    kontrolka.receiver = &n;
    okno.resize(900, 300);
    host = new WinControl(&drawer, &kontrolka, &okno);
    host->setGeometry(10, 40, 800, 169);
    przycisk = new QPushButton("x", &okno);
    przycisk->setGeometry(10, 220, 100, 30);
    okno.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&okno));
  }
  ZAplikacja aplikacja;
  QtDrawer drawer;
  Nagrywacz n;
  BitmapControl kontrolka;
  QWidget okno;
  WinControl* host = nullptr;
  QPushButton* przycisk = nullptr;
};

TEST_F(Okno, EveryTickRepaintsAndANewSizeGivesANewBitmap) {
  host->Uaktualnij();
  host->Uaktualnij();
  EXPECT_EQ(n.zdarzenia, (std::vector<std::string>{"SetBitmap 800", "Invalidate", "Paint", "Invalidate", "Paint"}));
  const QPoint o = host->mapToGlobal(QPoint(0, 0));
  EXPECT_EQ(kontrolka.poczatekEkranu, (Point{o.x(), o.y()}));
  n.zdarzenia.clear();
  host->resize(1000, 169);
  host->Uaktualnij();
  EXPECT_EQ(n.zdarzenia.front(), "SetBitmap 1000");
  EXPECT_EQ(host->Ekran()->Width(), 1000);

  // A component with nothing new to draw is left alone, one with a part out of date is
  // painted without invalidating; a new size still reaches it.
  n.zdarzenia.clear();
  n.nieaktualne = Rect{};
  host->Uaktualnij();
  EXPECT_TRUE(n.zdarzenia.empty());
  n.nieaktualne = Rect{0, 34, 1000, 67};
  host->Uaktualnij();
  EXPECT_EQ(n.zdarzenia, (std::vector<std::string>{"Paint"}));
  n.zdarzenia.clear();
  n.nieaktualne = Rect{};
  host->resize(900, 169);
  host->Uaktualnij();
  EXPECT_EQ(n.zdarzenia, (std::vector<std::string>{"SetBitmap 900"}));
}

// A press elsewhere followed by a release over the axis sends nothing; a drag that began
// on the axis goes on outside it until the release.
TEST_F(Okno, MouseRouting) {
  host->Uaktualnij();
  n.zdarzenia.clear();
  QTest::mousePress(przycisk, Qt::LeftButton);
  QTest::mouseRelease(host, Qt::LeftButton, {}, QPoint(50, 50));
  EXPECT_TRUE(n.zdarzenia.empty());

  QTest::mousePress(host, Qt::LeftButton, Qt::ControlModifier, QPoint(100, 20));
  QTest::mouseMove(host, QPoint(90, 20));
  QTest::mouseMove(host, QPoint(-5, 200));  // over the button, below the axis
  QTest::mouseRelease(host, Qt::LeftButton, {}, QPoint(-5, 200));
  const std::string lewy = std::to_string(ssLeft);
  const std::vector<std::string> oczekiwane = {
      "Down 0 " + std::to_string(ssLeft | ssCtrl) + " 100,20", "Drag " + lewy + " 90,20", "Drag " + lewy + " -5,200",
      "Up 0 -5,200"};
  EXPECT_EQ(n.zdarzenia, oczekiwane);

  n.zdarzenia.clear();
  QTest::mouseRelease(host, Qt::RightButton, {}, QPoint(5, 5));
  EXPECT_TRUE(n.zdarzenia.empty()) << "a release without a press is ignored";
  QTest::mouseDClick(host, Qt::LeftButton, {}, QPoint(7, 8));
  ASSERT_GE(n.zdarzenia.size(), 2u);
  EXPECT_EQ(n.zdarzenia[0], "DblClick");
  EXPECT_EQ(n.zdarzenia[1], "Down 0 " + std::to_string(ssLeft | ssDouble) + " 7,8");
}

// The whole axis on its host: a real drag on the hour band moves the time 30 s a pixel,
// and a second button during a drag does not strand it.
TEST(OsWOknie, DragThroughTheHost) {
  OsNaBitmapie o;
  o.os.UstawKursor(nullptr);  // the cursor follows the mouse events
  QWidget okno;
  okno.resize(820, 200);
  WinControl host(&o.drawer, o.os.Kontrolka(), &okno);
  host.setGeometry(10, 10, 800, 169);
  okno.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&okno));
  const Czas t = Utc(2024, 5, 1, 12);
  o.os.Set(t);
  host.Uaktualnij();
  Ucho u;
  o.os.SetListener(&u);
  const int y = static_cast<int>(o.Srodek(2));
  QTest::mousePress(&host, Qt::LeftButton, {}, QPoint(300, y));
  QTest::mouseMove(&host, QPoint(305, y));
  QTest::mouseMove(&host, QPoint(310, y));
  host.Uaktualnij();
  EXPECT_EQ(o.os.Get(), t - Roznica::Sekunda * 300);
  QTest::mousePress(&host, Qt::RightButton, {}, QPoint(310, y));
  QTest::mouseRelease(&host, Qt::RightButton, {}, QPoint(310, y));
  EXPECT_EQ(u.ile, 0);
  QTest::mouseRelease(&host, Qt::LeftButton, {}, QPoint(310, y));
  EXPECT_EQ(u.ile, 1) << "the left release still ends the drag";
  EXPECT_FALSE(o.os.Przeciagany());
  o.os.RemoveListener(&u);
}

}  // namespace
