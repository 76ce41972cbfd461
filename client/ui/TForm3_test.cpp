// The main window's widgets, offscreen: its size and constraints, the texts from servers
// shown as text, the queued connection notifications, the keyboard and the text prompt.
#include "ui/TForm3.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QAbstractButton>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "axis/PaneleCzasu.h"
#include "player/ListaStacji.h"
#include "player/PowiadomieniaPlayera.h"
#include "support/LogCapture.h"
#include "ui/OknoFixtures.h"
#include "ui/RaportAwarii.h"
#include "ui/TEditString.h"
#include "window/LogikaOkna.h"
#include "window/StosPlayera.h"

namespace {

using namespace okno_ui;

TEST(Okno, RozmiarIPodpisy) {
  TempDir k;
  auto f = Okno(k);
  const int ekran = f->screen()->geometry().width();
  EXPECT_EQ(f->width(), std::max(798, ekran * 8 / 9));
  EXPECT_EQ(f->minimumWidth(), 798);
  EXPECT_EQ(f->minimumHeight(), 348);
  EXPECT_EQ(f->maximumHeight(), 348);
  EXPECT_EQ(f->windowTitle(), "KorwendoGra");
  EXPECT_EQ(f->SpeedButton5->text(), QString::fromUtf8("Wybierz stację"));
  EXPECT_EQ(f->SpeedButton6->text(), QString::fromUtf8("Cały program"));
  EXPECT_EQ(f->Button3->text(), "Graj");
  EXPECT_EQ(f->BitBtn1->text(), "Oznacz \"Od\"");
  EXPECT_EQ(f->Zakladki->title(), QString::fromUtf8("Zakładki"));
  EXPECT_TRUE(f->Panel1->isVisibleTo(f.get()));  // the cover until connected
  EXPECT_FALSE(f->RzadEksportu->isVisibleTo(f.get()));

  // The export list enlarges the window to show the export row.
  f->Logika().Eksport().DodajDoEksportu(Czas::Teraz() - Roznica::Minuta, Czas::Teraz());
  EXPECT_EQ(f->maximumHeight(), 380);
  EXPECT_TRUE(f->RzadEksportu->isVisibleTo(f.get()));
  EXPECT_TRUE(f->ListBox1->isVisibleTo(f.get()));
  f->Logika().Eksport().CzyscListe();
  EXPECT_EQ(f->maximumHeight(), 348);
}

TEST(Okno, NazwyZSerweraSaTekstem) {
  TempDir k;
  auto f = Okno(k);
  f->Logika().Process("terazgramy R&B <b>x</b>");
  EXPECT_EQ(f->SpeedButton5->text(), "R&&B <b>x</b>");
  EXPECT_EQ(f->windowTitle(), "KorwendoGra - R&B <b>x</b>");
  f->Logika().Status().BardzoLadnyPrint("<b>gruby</b>");
  EXPECT_EQ(f->Label3->textFormat(), Qt::PlainText);
  EXPECT_EQ(f->StatusPanel0->textFormat(), Qt::PlainText);
  f->UstawMenuWydarzen({"Cały program", "A&B"}, true);
  ASSERT_EQ(f->PopupMenu4->actions().size(), 2);
  EXPECT_EQ(f->PopupMenu4->actions()[1]->text(), "A&&B");
}

TEST(Okno, PowiadomieniaPrzychodzaKolejkaWatkuOkna) {
  TempDir k;
  auto f = Okno(k);
  std::thread t([&] { f->Stos().Powiadom(ZdarzeniePolaczenia::Nieudany); });
  t.join();
  // Nothing happens on the calling thread: the event waits for the window's loop.
  EXPECT_FALSE(f->Timer1->isActive());
  QCoreApplication::sendPostedEvents(f.get());
  EXPECT_TRUE(f->Timer1->isActive());
  EXPECT_EQ(f->Label3->text(), QString::fromUtf8("Błąd połączenia"));
  EXPECT_FALSE(f->Button3->isEnabled());

  f->Stos().Powiadom(ZdarzeniePolaczenia::Polaczony);
  QCoreApplication::sendPostedEvents(f.get());
  EXPECT_FALSE(f->Timer1->isActive());
  EXPECT_TRUE(f->Button3->isEnabled());
  EXPECT_FALSE(f->Panel1->isVisibleTo(f.get()));

  f->Stos().Powiadom(ZdarzeniePolaczenia::NieZnalezionoHosta);
  QCoreApplication::sendPostedEvents(f.get());
  EXPECT_FALSE(f->Timer1->isActive());
}

TEST(Okno, KlawiszeNumerycznePrzesuwajaTylkoZKlawiatury) {
  TempDir k;
  auto f = Okno(k);
  f->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(f.get()));
  const Czas przed = f->CzasOsi();
  // Key 3 of the main keyboard does nothing; keypad 3 moves 5 s on.
  QTest::keyClick(f.get(), Qt::Key_3);
  QCoreApplication::processEvents();
  EXPECT_LT(Czas::Odstep(f->CzasOsi(), przed), Roznica::Sekunda);
  QTest::keyClick(f.get(), Qt::Key_3, Qt::KeypadModifier);
  ASSERT_TRUE(Czekaj([&] { return f->CzasOsi() - przed > Roznica::Sekunda * 4; }));
  EXPECT_GT(f->CzasOsi() - przed, Roznica::Sekunda * 4);
  EXPECT_LT(f->CzasOsi() - przed, Roznica::Sekunda * 6);
  // Num Lock off: keypad 1 is End with the keypad flag, not 5 s back (End itself moves
  // nothing while the station has no recordings).
  const Czas teraz = f->CzasOsi();
  QTest::keyClick(f.get(), Qt::Key_End, Qt::KeypadModifier);
  QCoreApplication::processEvents();
  EXPECT_LT(Czas::Odstep(f->CzasOsi(), teraz), Roznica::Sekunda);

  QTest::keyClick(f.get(), Qt::Key_Escape);
  EXPECT_TRUE(f->isMinimized());
}

TEST(Okno, F5NaWolnejUlubionejOtwieraMenuPrzypisania) {
  LogCapture log;
  TempDir k;
  auto f = Okno(k);
  f->Lista().DodajSerwer("127.0.0.1", 1);
  f->show();
  // The activation asks the server for its stations; its refusal is awaited, lest it
  // take away the station added below.
  ASSERT_TRUE(Czekaj([&] { return log.Text().find("127.0.0.1:1: ") != String::npos; })) << log.Text();
  f->Lista().DodajStacje("Zegar", &f->Lista().DajSerwer(0));
  const bool otwarte = ZDialogiem<QMenu>([&] { QTest::keyClick(f.get(), Qt::Key_F5); },
                                         [&](QMenu* m) {
                                           ASSERT_EQ(m, f->PopupMenu2);
                                           ASSERT_FALSE(m->actions().empty());
                                           m->actions().front()->trigger();
                                           m->close();
                                         });
  EXPECT_TRUE(otwarte);
  EXPECT_EQ(f->Lista().Ulubione()[0].podpowiedz, "Zegar@127.0.0.1:1");
  EXPECT_EQ(f->SpeedButton[0]->text(), "Zegar");
}

// A right click on a line of the events list puts that event on the export list; the
// window grows to show the export row. (The list's lines stand here for the events of the
// day that the logic holds; the X11 test takes them from a real server.)
TEST(Okno, PrawyKlikNaWydarzeniuDodajeJeDoEksportu) {
  TempDir k;
  auto f = Okno(k);
  f->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(f.get()));
  const Czas poczatek = Czas::Teraz() - Roznica::Godzina;
  f->Logika().Wydarzenia().WydarzeniaDnia().Add(Przedzial(poczatek, poczatek + Roznica::Minuta * 5));
  f->Logika().Wydarzenia().WydarzeniaDnia().Add(Przedzial(poczatek + Roznica::Minuta * 30, poczatek + Roznica::Minuta * 32));
  f->UstawListeWydarzen("pierwsze\r\ndrugie\r\n");
  f->PokazListeWydarzen(true);
  ASSERT_EQ(f->ListBox2->count(), 2);
  EXPECT_EQ(f->maximumHeight(), LogikaOkna::kWysokosc);

  // The left button does not export.
  const QPoint drugi = f->ListBox2->visualItemRect(f->ListBox2->item(1)).center();
  QTest::mouseClick(f->ListBox2->viewport(), Qt::LeftButton, {}, drugi);
  EXPECT_EQ(f->Logika().Eksport().DoEksportu().Count(), 0);
  QTest::mouseClick(f->ListBox2->viewport(), Qt::RightButton, {}, drugi);
  ASSERT_EQ(f->Logika().Eksport().DoEksportu().Count(), 1);
  EXPECT_EQ(f->Logika().Eksport().DoEksportu().Wszystkie().front(),
            Przedzial(poczatek + Roznica::Minuta * 30, poczatek + Roznica::Minuta * 32));
  EXPECT_EQ(f->maximumHeight(), LogikaOkna::kWysokoscEksportu);
  EXPECT_EQ(f->height(), LogikaOkna::kWysokoscEksportu);
  EXPECT_TRUE(f->ListBox1->isVisible());
  EXPECT_EQ(f->ListBox1->count(), 1);
}

TEST(Okno, ZakladkiZMenuIUsuwanieZPytaniem) {
  TempDir k;
  auto f = Okno(k);
  f->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(f.get()));
  f->Lista().DodajZakladke(Czas::Teraz(), "R&B rano", "Zegar@127.0.0.1:1");

  // Without Shift: the menu of bookmarks, captioned as text.
  EXPECT_TRUE(ZDialogiem<QMenu>([&] { QTest::mousePress(f->BitBtn8, Qt::LeftButton); },
                                [&](QMenu* m) {
                                  EXPECT_EQ(m, f->PopupMenu5);
                                  ASSERT_EQ(m->actions().size(), 1);
                                  EXPECT_EQ(m->actions()[0]->text(), "R&&B rano");
                                  m->close();
                                }));
  QTest::mouseRelease(f->BitBtn8, Qt::LeftButton);

  // With Shift: deleting, after a question answered No, then Yes.
  for (auto odpowiedz : {QMessageBox::No, QMessageBox::Yes}) {
    EXPECT_TRUE(ZDialogiem<QMenu>(
        [&] { QTest::mousePress(f->BitBtn8, Qt::LeftButton, Qt::ShiftModifier); },
        [&](QMenu* m) {
          // Titled "Usuń zakładkę" (not a choice), a separator, then the marked items.
          ASSERT_EQ(m->actions().size(), 3);
          EXPECT_EQ(m->actions()[0]->text(), QString::fromUtf8("Usuń zakładkę"));
          EXPECT_FALSE(m->actions()[0]->isEnabled());
          EXPECT_TRUE(m->actions()[1]->isSeparator());
          QAction* a = m->actions()[2];
          EXPECT_EQ(a->text(), QString::fromUtf8("✕  R&&B rano"));
          m->close();
          EXPECT_TRUE(ZDialogiem<QMessageBox>([&] { a->trigger(); }, [&](QMessageBox* b) {
            EXPECT_EQ(b->windowTitle(), QString::fromUtf8("Zakładki"));
            EXPECT_EQ(b->text(), QString::fromUtf8("Czy chcesz skasować zakładkę \"R&B rano\"?"));
            b->button(odpowiedz)->click();
          }));
        }));
    QTest::mouseRelease(f->BitBtn8, Qt::LeftButton);
    EXPECT_EQ(f->Lista().Zakladki().size(), odpowiedz == QMessageBox::Yes ? 0u : 1u);
  }
}

TEST(TEditString, PotwierdzonyPustyIAnulowany) {
  axis_test::Aplikacja();
  TEditString d;
  struct Przypadek {
    const char* wpisz;  // null: leave the text as it is
    bool ok;
    const char* wynik;
  } przypadki[] = {{nullptr, true, "Zegar, 10"}, {"", true, ""}, {"inny", false, "Zegar, 10"}};
  for (const auto& p : przypadki) {
    String tekst = "Zegar, 10";
    bool wynik = false;
    EXPECT_TRUE(ZDialogiem<TEditString>([&] { wynik = d.Zapytaj(tekst, "Opis zakładki"); }, [&](TEditString* e) {
      EXPECT_EQ(e->windowTitle(), QString::fromUtf8("Opis zakładki"));
      if (p.wpisz != nullptr) e->Edit1->setText(p.wpisz);
      if (p.ok) QTest::keyClick(e->Edit1, Qt::Key_Return);
      else QTest::keyClick(e->Edit1, Qt::Key_Escape);
    }));
    EXPECT_EQ(wynik, p.ok);
    EXPECT_EQ(tekst, p.wynik);
  }
}

TEST(RaportAwarii, PlikObokProgramuAlboWKatalogLogow) {
  TempDir k;
  EXPECT_EQ(PlikRaportu(k / "KorwendoGra", "/log"), k / "KorwendoGra.debug.log");
  EXPECT_EQ(PlikRaportu(k / "brak/KorwendoGra", k / "log"), k / "log/KorwendoGra.debug.log");
  EXPECT_EQ(PlikRaportu("/proc/KorwendoGra", k / "log"), k / "log/KorwendoGra.debug.log");
  EXPECT_FALSE(std::filesystem::exists(k / "KorwendoGra.debug.log"));  // the trial leaves nothing
}

TEST(RaportAwarii, SygnalZapisujeBacktraceIKonczyProces) {
  TempDir k;
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    InstalujRaportAwarii(k / "log");
    std::FILE* f = std::fopen((k / "plik").c_str(), "w");
    if (f != nullptr) {
      std::fputs(PlikRaportuAwarii().c_str(), f);
      std::fclose(f);
    }
    raise(SIGSEGV);
    _exit(0);
  }
  int stan = 0;
  ASSERT_EQ(waitpid(pid, &stan, 0), pid);
  EXPECT_TRUE(WIFSIGNALED(stan));  // the signal still ends the process
  EXPECT_EQ(WTERMSIG(stan), SIGSEGV);
  std::ifstream nazwa(k / "plik");
  std::string plik;
  std::getline(nazwa, plik);
  ASSERT_FALSE(plik.empty());
  EXPECT_NE(plik.find(".debug.log"), std::string::npos);
  std::ifstream r(plik);
  std::stringstream tekst;
  tekst << r.rdbuf();
  std::filesystem::remove(plik);
  EXPECT_NE(tekst.str().find("sygnał 11"), std::string::npos) << tekst.str();
  EXPECT_NE(tekst.str().find("backtrace:"), std::string::npos);
  EXPECT_NE(tekst.str().find("call trace:"), std::string::npos);
}

// The live edge: End (either key) and the button reach the logic, the indicator has its own
// place in the status bar, and the button fits between its neighbours at the narrowest.
TEST(Okno, NaZywoKlawiszPrzyciskIWskaznik) {
  TempDir k;
  auto f = Okno(k);
  f->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(f.get()));
  const QRect przycisk = f->ButtonNaZywo->geometry();
  EXPECT_FALSE(przycisk.intersects(f->SpeedButton6->geometry()));
  EXPECT_FALSE(przycisk.intersects(f->Panel6->geometry()));
  EXPECT_LE(przycisk.bottom(), f->Panel1->geometry().top());

  // No station: nothing to play, and the status line says why.
  const Czas przed = f->CzasOsi();
  struct Przypadek {
    const char* nazwa;
    std::function<void()> akcja;
  } przypadki[] = {
      {"End", [&] { QTest::keyClick(f.get(), Qt::Key_End); }},
      {"keypad End", [&] { QTest::keyClick(f.get(), Qt::Key_End, Qt::KeypadModifier); }},
      {"button", [&] { QTest::mouseClick(f->ButtonNaZywo, Qt::LeftButton); }},
  };
  for (const auto& p : przypadki) {
    SCOPED_TRACE(p.nazwa);
    f->StatusPanel0->clear();
    p.akcja();
    EXPECT_TRUE(Czekaj([&] { return f->StatusPanel0->text() == QString::fromUtf8("Nie wybrano stacji."); }))
        << f->StatusPanel0->text().toStdString();
    EXPECT_LT(Czas::Odstep(f->CzasOsi(), przed), Roznica::Sekunda);
  }

  f->UstawNaZywo(true);
  f->Logika().Status().LadnyPrint("komunikat");
  EXPECT_EQ(f->StatusNaZywo->text(), QString::fromUtf8("Na żywo"));
  EXPECT_EQ(f->StatusPanel0->text(), "komunikat");
  f->UstawNaZywo(false);
  // Nothing plays in this window: off the live edge it says so.
  EXPECT_EQ(f->StatusNaZywo->text(), QString::fromUtf8("Zatrzymano"));
  f->UstawZatrzymany(false);
  EXPECT_EQ(f->StatusNaZywo->text(), "");
  EXPECT_TRUE(f->Button3->isChecked());
  EXPECT_FALSE(f->Button4->isChecked());
}

TEST(Okno, BladZHandleraZamykaOkno) {
  TempDir k;
  LogCapture log;
  auto f = Okno(k);
  f->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(f.get()));
  f->Bezpiecznie([] { throw std::runtime_error("nieznany opis przedzialow audio update"); });
  EXPECT_TRUE(Czekaj([&] { return !f->isVisible(); }));
  EXPECT_FALSE(f->Timer3->isActive());
  EXPECT_NE(log.Text().find("AppOnException: nieznany opis przedzialow audio update"), std::string::npos);
}

}  // namespace
