// Ctrl+G, the button beside the digit panels and Ctrl+Shift+C on the window, offscreen.
#include <QClipboard>
#include <QLabel>
#include <QGuiApplication>
#include <QLineEdit>
#include <QToolButton>
#include <gtest/gtest.h>

#include "axis/PaneleCzasu.h"
#include "player/ListaStacji.h"
#include "support/CzasTestowy.h"
#include "textforms/LinkDoChwili.h"
#include "ui/OknoFixtures.h"
#include "ui/OpcjeKorwendoGra.h"
#include "ui/TEditString.h"
#include "window/LogikaOkna.h"

namespace {

using namespace okno_ui;

// A station that cannot connect (port 1) keeps the moment it was started at.
OpcjeOkna NaStacji(Czas od) {
  OpcjeOkna o;
  o.stacja = "Radio Łódź@127.0.0.1:1";
  o.od = od;
  return o;
}

TEST(OknoSkok, CtrlGPytaIPrzesuwa) {
  StrefaWarszawska strefa;
  TempDir k;
  const Czas od = Utc(2026, 12, 10, 8, 30);
  auto f = Okno(k, {}, NaStacji(od));
  f->show();
  ASSERT_TRUE(Czekaj([&] { return Czas::Odstep(f->CzasOsi(), od) < Roznica::Milisekunda; }));
  QString zaproponowany;
  EXPECT_TRUE(ZDialogiem<TEditString>([&] { QTest::keyClick(f.get(), Qt::Key_G, Qt::ControlModifier); },
                                      [&](TEditString* e) {
                                        EXPECT_EQ(e->windowTitle(), QString::fromUtf8("Przejdź do"));
                                        zaproponowany = e->Edit1->text();
                                        e->Edit1->setText("-1h");
                                        QTest::keyClick(e->Edit1, Qt::Key_Return);
                                      }));
  EXPECT_EQ(zaproponowany, "2026-12-10 09:30:00");
  EXPECT_TRUE(Czekaj([&] { return Czas::Odstep(f->CzasOsi(), od - Roznica::Godzina) < Roznica::Milisekunda; }));

  // The button does the same; a text it cannot read is refused inside the prompt, which
  // says why and stays open with the text; cancelled, it moves nothing.
  EXPECT_TRUE(ZDialogiem<TEditString>([&] { QTest::mouseClick(f->PrzyciskSkoku, Qt::LeftButton); },
                                      [&](TEditString* e) {
                                        e->Edit1->setText("kiedyś");
                                        QTest::keyClick(e->Edit1, Qt::Key_Return);
                                        EXPECT_TRUE(e->isVisible());
                                        EXPECT_EQ(e->Edit1->text(), QString::fromUtf8("kiedyś"));
                                        EXPECT_EQ(e->Blad->text(), QString::fromUtf8("Nie rozumiem czasu \"kiedyś\""));
                                        EXPECT_TRUE(e->Blad->isVisible());
                                        QTest::keyClick(e->Edit1, Qt::Key_Escape);
                                      }));
  QTest::qWait(30);
  EXPECT_LT(Czas::Odstep(f->CzasOsi(), od - Roznica::Godzina), Roznica::Milisekunda);
  // Beside the digit panels (that it is clear of every other control, the layout's test says).
  EXPECT_LE(f->PrzyciskSkoku->geometry().right(), f->Panel6->x());
}

TEST(OknoSkok, CtrlShiftCKopiujeLink) {
  StrefaWarszawska strefa;
  TempDir k;
  const Czas od = Utc(2026, 12, 10, 8, 30, 0, 500);
  auto f = Okno(k, {}, NaStacji(od));
  f->show();
  Czekaj([&] { return Czas::Odstep(f->CzasOsi(), od) < Roznica::Milisekunda; });
  QGuiApplication::clipboard()->setText("przedtem");
  QTest::keyClick(f.get(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
  const String link = QGuiApplication::clipboard()->text().toStdString();
  EXPECT_EQ(link, "korwendo://127.0.0.1:1/Radio%20%C5%81%C3%B3d%C5%BA?t=2026-12-10T08:30:00.500Z");
  EXPECT_EQ(ParsujLink(link).chwila, od);
  EXPECT_EQ(f->StatusPanel0->text(), QString::fromUtf8("Skopiowano link do chwili 2026-12-10 09:30:00"));
}

// KorwendoGra LINK: the link's station and moment, its server added to the list once.
TEST(OknoSkok, LinkZLiniiPolecen) {
  TempDir k;
  struct {
    std::vector<String> argumenty;
    std::vector<String> serwery;
  } przypadki[] = {
      {{"korwendo://127.0.0.1:1/Radio%20%C5%81%C3%B3d%C5%BA?t=2026-12-10T08:30:00Z"}, {"127.0.0.1:1"}},
      {{"--server", "127.0.0.1:1", "korwendo://127.0.0.1:1/Radio%20%C5%81%C3%B3d%C5%BA?t=2026-12-10T08:30:00Z"},
       {"127.0.0.1:1"}},
      {{"--server", "[::1]", "korwendo://127.0.0.1:1/Radio%20%C5%81%C3%B3d%C5%BA?t=2026-12-10T08:30:00Z"},
       {"[::1]:12540", "127.0.0.1:1"}},
  };
  for (auto& p : przypadki) {
    LiniaOkna l;
    p.argumenty.insert(p.argumenty.begin(), {"--config", k.Path()});
    ASSERT_FALSE(l.Read(p.argumenty));
    const OpcjeOkna o = l.Opcje();
    EXPECT_EQ(o.serwery, p.serwery);
    EXPECT_EQ(o.stacja, "Radio Łódź@127.0.0.1:1");
    EXPECT_EQ(o.od, Utc(2026, 12, 10, 8, 30));
  }
  // The window opened so plays the station from that moment, the server on its list.
  LiniaOkna l;
  ASSERT_FALSE(l.Read({"--config", k.Path(), "korwendo://127.0.0.1:1/Radio%20%C5%81%C3%B3d%C5%BA?t=2026-12-10T08:30:00Z"}));
  auto f = Okno(k, {}, l.Opcje());
  f->show();
  Czekaj([&] { return Czas::Odstep(f->CzasOsi(), Utc(2026, 12, 10, 8, 30)) < Roznica::Milisekunda; });
  int ile = 0;
  for (int i = 0; i < f->Lista().IleSerwerow(); ++i) {
    ile += f->Lista().DajSerwer(i).adres == "127.0.0.1" && f->Lista().DajSerwer(i).port == 1;
  }
  EXPECT_EQ(ile, 1);
  EXPECT_LT(Czas::Odstep(f->CzasOsi(), Utc(2026, 12, 10, 8, 30)), Roznica::Milisekunda);
}

}  // namespace
