// The axis at a device pixel ratio of 2 (run with QT_SCALE_FACTOR=2; skipped at 1).
#include <QTest>
#include <gtest/gtest.h>

#include "axis/AxisFixtures.h"
#include "axis/WinControl.h"

namespace {

using namespace axis_test;

double Dpr() { return Aplikacja()->devicePixelRatio(); }

// Fills cover whole device pixels, and text is rendered at the device's resolution: some
// of its 2 x 2 blocks are not uniform, as an upscaled image's would all be.
TEST(Skala2, DrawnSharpAtTheDeviceResolution) {
  if (Dpr() < 2) GTEST_SKIP() << "run with QT_SCALE_FACTOR=2";
  OsNaBitmapie o(800, 169, Dpr());
  o.os.Set(Utc(2024, 5, 1, 12, 0, 0, 500));
  Przedzialy p;
  p.Add(Przedzial(Utc(2024, 5, 1, 11), Utc(2024, 5, 1, 13)));
  o.os.UstawPrzedzialy(0, p);
  o.Rysuj();
  const QImage& img = o.Ekran().Obraz();
  ASSERT_EQ(img.width(), 1600);
  ASSERT_EQ(img.height(), 338);
  const auto rgb = [&](int x, int y) { return static_cast<int>(img.pixel(x, y) & 0xFFFFFF); };
  for (int x : {820, 900, 1000}) {
    EXPECT_EQ(rgb(x, 2 * 67), 0);
    EXPECT_EQ(rgb(x, 2 * 67 + 1), 0) << "a frame row is two device rows";
    EXPECT_EQ(rgb(x, 2 * 67 + 2), 0x766FFF);
  }
  EXPECT_EQ(rgb(800, 100), 0xDF7070);
  EXPECT_EQ(rgb(801, 100), 0xDF7070) << "the time line is two device columns";
  EXPECT_EQ(rgb(802, 100), 0x766FFF);
  int tekst = 0;
  int niejednolite = 0;
  for (int y = 0; y + 1 < 66; y += 2) {
    for (int x = 0; x + 1 < 1600; x += 2) {
      const int a = rgb(x, y);
      if (a != 0x030875) continue;
      ++tekst;
      if (rgb(x + 1, y) != a || rgb(x, y + 1) != a || rgb(x + 1, y + 1) != a) ++niejednolite;
    }
  }
  EXPECT_GT(tekst, 50);
  EXPECT_GT(niejednolite, 5);
}

// A drag of 10 logical pixels on the hour band moves 300 s, as at a ratio of 1.
TEST(Skala2, DragMovesByTheLogicalPixel) {
  if (Dpr() < 2) GTEST_SKIP() << "run with QT_SCALE_FACTOR=2";
  OsNaBitmapie o(800, 169, Dpr());
  o.os.UstawKursor(nullptr);
  QWidget okno;
  okno.resize(820, 200);
  WinControl host(&o.drawer, o.os.Kontrolka(), &okno);
  host.setGeometry(10, 10, 800, 169);
  okno.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&okno));
  const Czas t = Utc(2024, 5, 1, 12);
  o.os.Set(t);
  host.Uaktualnij();
  EXPECT_EQ(host.Ekran()->Width(), 800) << "the axis is laid out in logical pixels";
  const int y = static_cast<int>(o.Srodek(2));
  QTest::mousePress(&host, Qt::LeftButton, {}, QPoint(300, y));
  QTest::mouseMove(&host, QPoint(310, y));
  QTest::mouseRelease(&host, Qt::LeftButton, {}, QPoint(310, y));
  EXPECT_EQ(o.os.Get(), t - Roznica::Sekunda * 300);
}

}  // namespace
