// The time axis and the digit panels under a real X server (an Xvfb started here), driven
// by real X input (xdotool): a day of demo-like recordings, events and markers at 1600 x
// 169 pixels, saved as axis-x11.png in the working directory (the build directory) for a
// person to look at, with the pixel checks that catch it breaking.
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "axis/AxisFixtures.h"
#include "axis/PaneleCzasu.h"
#include "axis/QtKursor.h"
#include "axis/WinControl.h"
#include "display/DoubleTimeComponent.h"
#include "support/SerwerX.h"

namespace {

using namespace axis_test;

bool Xdotool(const QStringList& argumenty) {
  QProcess p;
  p.start("xdotool", argumenty);
  return p.waitForFinished(5000) && p.exitCode() == 0;
}

// Waits, processing events, until `warunek` holds (at most 3 s).
template <class F>
bool Czekaj(F warunek) {
  for (int i = 0; i < 300 && !warunek(); ++i) QTest::qWait(10);
  return warunek();
}

Czas Dnia(int h, int m, int s = 0) { return Utc(2024, 5, 1, h, m, s); }

// A day of the demo server's schedule: recordings but for [hh:20, hh:22), news over
// [hh:00, hh:05), adverts over [hh:15, hh:17) and [hh:45, hh:47), signals at hh:10,
// hh:30 and hh:50.
struct Dzien {
  Dzien() {
    for (int h = 0; h < 24; ++h) {
      nagrania.Add(Przedzial(Dnia(h, 0), Dnia(h, 20) - Roznica()));
      nagrania.Add(Przedzial(Dnia(h, 22), Dnia(h, 59, 59)));
      wiadomosci.Add(Przedzial(Dnia(h, 0), Dnia(h, 5)));
      reklamy.Add(Przedzial(Dnia(h, 15), Dnia(h, 17)));
      reklamy.Add(Przedzial(Dnia(h, 45), Dnia(h, 47)));
      for (int m : {10, 30, 50}) sygnaly.Dodaj(Dnia(h, m));
    }
    nagrania.Add(Przedzial(Dnia(0, 0) - Roznica::Dzien * 60, Dnia(0, 0)));
  }
  Przedzialy nagrania;
  Przedzialy wiadomosci;
  Przedzialy reklamy;
  TypMarkerow sygnaly;
};

TEST(OsNaEkranie, DayOfRecordingsUnderARealXServer) {
  if (!SerwerX::Jeden().Dziala()) GTEST_SKIP() << "Xvfb could not be started";
  Aplikacja();
  ASSERT_EQ(QGuiApplication::platformName(), "xcb");
  StrefaWarszawska strefa;

  QWidget okno;
  okno.setWindowTitle("KorwendoGra");
  okno.setStyleSheet("background: #d4d0c8");
  auto* uklad = new QVBoxLayout(&okno);
  uklad->setContentsMargins(0, 4, 0, 0);
  auto* widok = new PaneleCzasu(&okno);
  uklad->addWidget(widok, 0, Qt::AlignHCenter);
  uklad->addWidget(widok->Panele()[11], 0, Qt::AlignRight);
  EksportTestowy eksport;
  OsPlayera os(&eksport);
  QtKursor kursor;
  os.UstawKursor(&kursor);
  QtDrawer drawer(okno.devicePixelRatioF());
  auto* host = new WinControl(&drawer, os.Kontrolka(), &okno);
  host->setFixedSize(1600, 169);
  uklad->addWidget(host);
  CzasNaPanelach panele(widok->Panele());
  DoubleTimeComponent para(&os, &panele);
  Ucho ucho;
  para.SetListener(&ucho);

  Dzien d;
  eksport.nagrania = d.nagrania;
  eksport.wydarzenia.Mul(d.reklamy, d.nagrania);
  Przedzialy wydarzenia;
  wydarzenia.Mul(d.wiadomosci, d.nagrania);
  os.UstawPrzedzialy(0, d.nagrania);
  os.UstawPrzedzialy(2, wydarzenia);
  os.UstawPrzedzialy(3, eksport.wydarzenia);
  eksport.zaznaczenie.Add(Przedzial(Dnia(11, 40), Dnia(12, 10)));
  os.UstawPrzedzialy(1, eksport.zaznaczenie);
  os.UstawMarkeryWydarzenia(0, d.sygnaly);
  os.UstawOd(Dnia(11, 40));
  os.UstawDo(Dnia(12, 10));

  okno.move(0, 0);
  okno.show();
  okno.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&okno));
  // The tick of the main window: time advances at the pace of playing.
  const Czas start = Dnia(12, 16, 30);
  for (int i = 0; i < 20; ++i) {
    para.Set(start + Roznica::Milisekunda * (10 * i));
    host->Uaktualnij();
    QTest::qWait(10);
  }
  const Czas t = para.Get();
  QTest::qWait(100);

  const QPoint o = host->mapToGlobal(QPoint(0, 0));
  QImage zrzut = okno.screen()->grabWindow(0, 0, 0, okno.width(), okno.height()).toImage();
  ASSERT_TRUE(zrzut.save("axis-x11.png"));
  std::printf("screenshot: %s/axis-x11.png\n", get_current_dir_name());
  const auto rgb = [&](int x, int y) { return static_cast<int>(zrzut.pixel(o.x() + x, o.y() + y) & 0xFFFFFF); };
  // The frame, the time line, a recording, an advert, the selection's edge, a signal.
  for (int y : {0, 33, 67, 100, 134, 168}) EXPECT_EQ(rgb(1000, y), 0) << y;
  EXPECT_EQ(rgb(800, 60), 0xDF7070);
  const auto x = [&](int k, Czas c) {
    const FragmentOsi4* b = os.Pasmo(k);
    return static_cast<int>(c.Wartosc() / b->Piksel().Wartosc() - (b->Pozycja() - 800));
  };
  const int y2 = static_cast<int>(os.Podbitmapa(2)->Prostokat().y0);
  EXPECT_EQ(rgb(x(2, Dnia(12, 26)), y2 + 28), 0x766FFF) << "a recording on the hour band";
  EXPECT_EQ(rgb(x(2, Dnia(12, 21)), y2 + 28), 0xE4EAFE) << "the gap at hh:20";
  EXPECT_EQ(rgb(x(2, Dnia(12, 16)), y2 + 28), 0xFF0000) << "an advert";
  EXPECT_EQ(rgb(x(2, Dnia(12, 3)), y2 + 2), 0x0000FF) << "the selection's top edge";
  EXPECT_EQ(rgb(x(2, Dnia(12, 30)), y2 + 2), 0xE7991D) << "a signal";
  int niebieskie = 0;
  for (int yy = 1; yy < 33; ++yy) {
    for (int xx = 700; xx < 900; ++xx) niebieskie += rgb(xx, yy) == 0x030875;
  }
  EXPECT_GT(niebieskie, 20) << "the current second's label";
  EXPECT_EQ(widok->Panele()[2]->text(), "maj");
  EXPECT_EQ(widok->Panele()[11]->text(), "Czas letni");

  // A real drag of 10 pixels to the right on the hour band.
  const int y = y2 + 16;
  ASSERT_TRUE(Xdotool({"mousemove", QString::number(o.x() + 300), QString::number(o.y() + y)}));
  ASSERT_TRUE(Czekaj([&] { return QCursor::pos() == QPoint(o.x() + 300, o.y() + y); }));
  ASSERT_TRUE(Xdotool({"mousedown", "1"}));
  ASSERT_TRUE(Czekaj([&] { return os.Przeciagany(); }));
  for (int dx = 2; dx <= 10; dx += 2) {
    ASSERT_TRUE(Xdotool({"mousemove", QString::number(o.x() + 300 + dx), QString::number(o.y() + y)}));
    ASSERT_TRUE(Czekaj([&] { return os.Get() == t - Roznica::Sekunda * (30 * dx); })) << dx;
  }
  ASSERT_TRUE(Xdotool({"mouseup", "1"}));
  ASSERT_TRUE(Czekaj([&] { return ucho.ile == 1; }));
  EXPECT_EQ(os.Get(), t - Roznica::Sekunda * 300);
  EXPECT_EQ(panele.Get(), os.Get()) << "the panels follow the axis";

  // A real click on the seconds panel.
  QLabel* sekundy = widok->Panele()[9];
  const QPoint s = sekundy->mapToGlobal(sekundy->rect().center());
  ASSERT_TRUE(Xdotool({"mousemove", QString::number(s.x()), QString::number(s.y()), "click", "1"}));
  ASSERT_TRUE(Czekaj([&] { return ucho.ile == 2; }));
  EXPECT_EQ(os.Get(), t - Roznica::Sekunda * 299) << "the axis follows the panels";
  host->Uaktualnij();
  QTest::qWait(50);
  okno.screen()->grabWindow(0, 0, 0, okno.width(), okno.height()).save("axis-x11-after-drag.png");
  para.RemoveListener(&ucho);
}

}  // namespace
