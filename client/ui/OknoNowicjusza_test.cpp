// The window as a newcomer meets it, offscreen: the way to a server from an empty window,
// the servers dialog, the help window, the welcome shown once, the lamps, Qt's own texts
// in Polish.
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <QTranslator>
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "audio/PlayAudio.h"
#include "core/ErrorText.h"
#include "player/EsencjaPlayera.h"
#include "player/ListaStacji.h"
#include "support/TempDir.h"
#include "ui/DialogSerwerow.h"
#include "ui/DialogZapisuQt.h"
#include "ui/OknoFixtures.h"
#include "ui/OknoPomocy.h"
#include "ui/TForm3.h"
#include "ui/Tlumaczenia.h"
#include "window/LogikaOkna.h"
#include "window/StosPlayera.h"

namespace {

using okno_ui::Okno;
using okno_ui::ZDialogiem;

// With KG_ZRZUTY=DIR set, `w` as drawn goes to DIR/name (to look at what a person sees).
void Zrzut(QWidget* w, const char* nazwa) {
  const char* katalog = std::getenv("KG_ZRZUTY");
  if (katalog != nullptr) w->grab().save(QString::fromUtf8(katalog) + "/" + nazwa);
}

std::string Plik(const std::string& sciezka) {
  std::ifstream f(sciezka, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

// With no server, the axis area says what to do and offers "Serwery…"; the dialog reads
// each entry with the address reader, says a refusal under the field and keeps the text;
// what it saves is the server list, written at once.
TEST(OknoNowicjusza, PusteOknoProwadziDoSerwerow) {
  TempDir k;
  auto f = Okno(k);
  f->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(f.get()));
  QPushButton* serwery = nullptr;
  for (QPushButton* b : f->findChildren<QPushButton*>()) {
    if (b->text() == QString::fromUtf8("Serwery…")) serwery = b;
  }
  ASSERT_NE(serwery, nullptr);
  EXPECT_TRUE(serwery->isVisible());
  EXPECT_TRUE(f->Panel1->text().contains("--server"));
  Zrzut(f.get(), "pierwszy-start-bez-serwera.png");

  const bool zrobione = ZDialogiem<DialogSerwerow>([&] { serwery->click(); }, [&](DialogSerwerow* d) {
    struct Wpis {
      const char* tekst;
      const char* blad;  // empty: accepted
    } wpisy[] = {
        {"archiwum.example:99999", "Zły adres serwera"},
        {"127.0.0.1:2000", ""},
        {"127.0.0.1:2000", "już jest na liście"},
        {"[::1]:3000", ""},
        {"radio.example", ""},
    };
    for (const Wpis& w : wpisy) {
      d->Pole()->setText(QString::fromUtf8(w.tekst));
      // Enter in the field adds, as the button does, and never closes the dialog.
      QTest::keyClick(d->Pole(), Qt::Key_Return);
      EXPECT_TRUE(d->isVisible()) << w.tekst;
      if (*w.blad == '\0') {
        EXPECT_TRUE(d->Blad()->text().isEmpty()) << w.tekst;
        EXPECT_TRUE(d->Pole()->text().isEmpty()) << w.tekst;
      } else {
        EXPECT_TRUE(d->Blad()->text().contains(QString::fromUtf8(w.blad))) << d->Blad()->text().toStdString();
        EXPECT_EQ(d->Pole()->text(), QString::fromUtf8(w.tekst));  // kept, to be corrected
      }
    }
    // Change the last one, remove the second.
    d->Lista()->setCurrentRow(2);
    d->Pole()->setText("radio.example:4000");
    d->PrzyciskZmien()->click();
    d->Pole()->setText("archiwum.example:0");
    d->PrzyciskDodaj()->click();
    Zrzut(d, "dialog-serwerow.png");
    d->Lista()->setCurrentRow(1);
    d->PrzyciskUsun()->click();
    EXPECT_EQ(d->Adresy(), (QStringList{"127.0.0.1:2000", "radio.example:4000"}));
    QMetaObject::invokeMethod(d, "accept", Qt::DirectConnection);
  });
  ASSERT_TRUE(zrobione);
  ASSERT_EQ(f->Lista().IleSerwerow(), 2);
  EXPECT_EQ(Plik(k / "KorwendoGra.ini"), "[Serwery]\r\nSerwer0=127.0.0.1:2000\r\nSerwer1=radio.example:4000\r\n");
  // Servers now: the button goes, and the hint says where to pick a station.
  EXPECT_FALSE(serwery->isVisible());
  EXPECT_EQ(f->Panel1->text(), QString::fromUtf8("Wybierz stację przyciskiem „Wybierz stację” w lewym górnym rogu okna."));
}

// The help windows among `okno`'s children (the class has no meta-object of its own).
std::vector<OknoPomocy*> Pomoce(QWidget* okno) {
  std::vector<OknoPomocy*> p;
  for (QDialog* d : okno->findChildren<QDialog*>()) {
    if (auto* o = dynamic_cast<OknoPomocy*>(d)) p.push_back(o);
  }
  return p;
}

// F1 opens the help, which names every key and gesture; a second F1 brings the same one.
TEST(OknoNowicjusza, F1OtwieraPomoc) {
  TempDir k;
  auto f = Okno(k);
  f->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(f.get()));
  QTest::keyClick(f.get(), Qt::Key_F1);
  std::vector<OknoPomocy*> pomoc = Pomoce(f.get());
  ASSERT_EQ(pomoc.size(), 1u);
  EXPECT_TRUE(pomoc[0]->isVisible());
  Zrzut(pomoc[0], "pomoc.png");
  QTest::keyClick(f.get(), Qt::Key_F1);
  EXPECT_EQ(Pomoce(f.get()).size(), 1u);
  for (const char* klawisz : {"F4", "End", "[ / ]", "Ctrl+G", "Ctrl+Shift+C", "F5, F6, F7, F8", "przeciąganie osi czasu",
                        "prawy przycisk na ulubionej", "Shift z przyciskiem Lista"}) {
    EXPECT_TRUE(OknoPomocy::Tekst().contains(QString::fromUtf8(klawisz))) << klawisz;
  }
}

// Each control's tooltip names its key.
TEST(OknoNowicjusza, DymkiNazywajaKlawisze) {
  TempDir k;
  auto f = Okno(k);
  EXPECT_EQ(f->Button3->toolTip(), QString::fromUtf8("Graj (F4, 0 na klawiaturze numerycznej)"));
  EXPECT_TRUE(f->Button4->toolTip().contains(QString::fromUtf8("kropka")));
  EXPECT_TRUE(f->ButtonNaZywo->toolTip().contains("End"));
  EXPECT_TRUE(f->SpeedButton[0]->toolTip().contains("F5"));
  EXPECT_TRUE(f->SpeedButton[3]->toolTip().contains("F8"));
  EXPECT_TRUE(f->PrzyciskPredkosci->toolTip().contains("[ wolniej, ] szybciej"));
}

// The welcome shows at the first activation only: a later one (each closed dialog) leaves
// the status line as it was.
TEST(OknoNowicjusza, PowitanieRazNaUruchomienie) {
  TempDir k;
  auto f = Okno(k);
  f->FormActivate();
  EXPECT_EQ(f->Logika().Status().Status(), "Witamy w programie KorwendoGra.");
  f->Logika().Status().BardzoLadnyPrint("Nie można odczytać \"jutro\"");
  f->FormActivate();
  EXPECT_EQ(f->Logika().Status().Status(), "Nie można odczytać \"jutro\"");
}

// The favourites' lamps: an icon, the caption bold while offered, and a tooltip that says
// it, so that colour is not the only sign.
TEST(OknoNowicjusza, LampkiUlubionych) {
  TempDir k;
  std::ofstream(k / "KorwendoGraU.ini", std::ios::binary) << "[Ulubione]\r\nUlubiona0=Zegar@127.0.0.1:1\r\n";
  auto g = Okno(k, "[Serwery]\r\nSerwer0=127.0.0.1:1\r\n");
  g->Lista().DodajStacje("Zegar", &g->Lista().DajSerwer(0));
  g->Lista().WyswietlListeStacji();
  QToolButton* b = g->SpeedButton[0];
  EXPECT_FALSE(b->icon().isNull());
  EXPECT_TRUE(b->font().bold());
  EXPECT_TRUE(b->toolTip().contains(QString::fromUtf8("nadaje")));
  // Sharp at a device pixel ratio of 2: a 32 x 32 pixmap is there.
  EXPECT_EQ(b->icon().pixmap(QSize(16, 16), 2.0).size(), QSize(32, 32));
  g->resize(798, g->height());
  g->show();
  QTest::qWait(50);
  Zrzut(g.get(), "ulubione-798.png");
}

// The volume: as the settings remember it (full without the key), on the playback engine;
// M mutes and unmutes; the volume set is saved.
TEST(OknoNowicjusza, GlosnoscIWyciszenie) {
  {
    TempDir k;
    auto f = Okno(k);
    EXPECT_EQ(f->findChild<QSlider*>()->value(), 100);
    EXPECT_DOUBLE_EQ(f->Stos().Esencja().DajGrajka().GetPlayAudio()->Volume(), 1.0);
  }
  TempDir k;
  std::ofstream(k / "KorwendoGraU.ini", std::ios::binary) << "[Opcje]\r\nGlosnosc=40\r\n";
  {
    auto f = Okno(k);
    f->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.get()));
    PlayAudio& silnik = *f->Stos().Esencja().DajGrajka().GetPlayAudio();
    QSlider* suwak = f->findChild<QSlider*>();
    EXPECT_EQ(suwak->value(), 40);
    EXPECT_DOUBLE_EQ(silnik.Volume(), 0.4);
    QTest::keyClick(f.get(), Qt::Key_M);
    EXPECT_DOUBLE_EQ(silnik.Volume(), 0.0);
    QTest::keyClick(f.get(), Qt::Key_M);
    EXPECT_DOUBLE_EQ(silnik.Volume(), 0.4);
    suwak->setValue(70);
    EXPECT_DOUBLE_EQ(silnik.Volume(), 0.7);
  }
  EXPECT_NE(Plik(k / "KorwendoGraU.ini").find("Glosnosc=70\r\n"), std::string::npos) << Plik(k / "KorwendoGraU.ini");
}

// The speed: "]" twice from 1x shows 1,5× on its button and in the status bar and plays
// at it; back at 1x the status bar says nothing of it; the speed is saved and a later
// start plays at it, its menu item checked.
TEST(OknoNowicjusza, PredkoscKlawiszamiIZapamietana) {
  TempDir k;
  {
    auto f = Okno(k);
    f->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.get()));
    EXPECT_EQ(f->PrzyciskPredkosci->text(), QString::fromUtf8("1×"));
    EXPECT_FALSE(f->StatusPredkosci->isVisible());
    QTest::keyClick(f.get(), Qt::Key_BracketRight);
    QTest::keyClick(f.get(), Qt::Key_BracketRight);
    EXPECT_EQ(f->PrzyciskPredkosci->text(), QString::fromUtf8("1,5×"));
    EXPECT_TRUE(f->StatusPredkosci->isVisible());
    EXPECT_EQ(f->StatusPredkosci->text(), QString::fromUtf8("Prędkość 1,5×"));
    EXPECT_EQ(f->Stos().Esencja().Predkosc(), 6);
    EXPECT_EQ(f->Stos().Esencja().DajGrajka().GetPlayAudio()->Speed(), 6);
    QTest::keyClick(f.get(), Qt::Key_BracketLeft);
    QTest::keyClick(f.get(), Qt::Key_BracketLeft);
    EXPECT_FALSE(f->StatusPredkosci->isVisible());
    QTest::keyClick(f.get(), Qt::Key_BracketLeft);
    EXPECT_EQ(f->PrzyciskPredkosci->text(), QString::fromUtf8("0,75×"));
  }
  EXPECT_NE(Plik(k / "KorwendoGraU.ini").find("Predkosc=75\r\n"), std::string::npos) << Plik(k / "KorwendoGraU.ini");
  auto g = Okno(k);
  EXPECT_EQ(g->Stos().Esencja().Predkosc(), 3);
  EXPECT_EQ(g->PrzyciskPredkosci->text(), QString::fromUtf8("0,75×"));
  int zaznaczone = 0;
  for (QAction* a : g->PrzyciskPredkosci->menu()->actions()) {
    if (a->isChecked()) {
      ++zaznaczone;
      EXPECT_EQ(a->text(), QString::fromUtf8("0,75×"));
    }
  }
  EXPECT_EQ(zaznaczone, 1);
}

// Under a Polish locale Qt's own buttons speak Polish.
TEST(OknoNowicjusza, PrzyciskiQtPoPolsku) {
  axis_test::Aplikacja();
  QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
  QTranslator t;
  const bool jest = ZaladujTlumaczeniaQt(t);
  QLocale::setDefault(QLocale::system());
  if (!jest) GTEST_SKIP() << "Qt's Polish translations (qt6-translations-l10n) are not installed";
  QMessageBox m(QMessageBox::Question, "x", "y", QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(m.button(QMessageBox::Yes)->text().remove('&'), QString::fromUtf8("Tak"));
  EXPECT_EQ(m.button(QMessageBox::No)->text().remove('&'), QString::fromUtf8("Nie"));
  QDialogButtonBox d(QDialogButtonBox::Save | QDialogButtonBox::Cancel);
  EXPECT_EQ(d.button(QDialogButtonBox::Cancel)->text().remove('&'), QString::fromUtf8("Anuluj"));
  QCoreApplication::removeTranslator(&t);
}

// The version's build date as the locale writes dates: "11.12.2026 03:31" in Polish.
TEST(OknoNowicjusza, DataWersjiWedlugJezyka) {
  TempDir k;
  QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
  auto f = Okno(k);
  f->FormActivate();
  QLocale::setDefault(QLocale::system());
  const BuildMoment b = BuildTime();
  const QString data = QString::asprintf("%02d.%02d.%04d %02d:%02d", b.day, b.month, b.year, b.hour, b.minute);
  EXPECT_EQ(f->StatusPanel1->text(), "Wersja: " + QString::fromStdString(VersionNumber()) + " (" + data + ")");
}

// The save dialog asks before the export replaces a file, by the file's final name (the
// extension added): "No" goes back to the file dialog, "Yes" goes on; a name whose files
// do not exist is not asked about.
TEST(OknoNowicjusza, EksportPytaPrzedZastapieniemPliku) {
  axis_test::Aplikacja();
  TempDir k;
  std::ofstream(k / "fala_orig.wav") << "x";
  DialogZapisuQt dialog(nullptr);
  dialog.UstawKatalog(k.Path());
  struct Przebieg {
    QString nazwa;
    QMessageBox::StandardButton odpowiedz;  // NoButton: no question expected
    bool wybrany;
  } przebiegi[] = {
      {"fala_orig", QMessageBox::No, false},
      {"fala_orig", QMessageBox::Yes, true},
      {"nowa", QMessageBox::NoButton, true},
  };
  for (const Przebieg& p : przebiegi) {
    SCOPED_TRACE(p.nazwa.toStdString());
    // One timer answers whatever modal dialog shows: the file dialog (a name, or after a
    // "No" a cancel), then the question.
    int plikowe = 0;
    QString pytanie;
    QTimer t;
    t.setInterval(10);
    QObject::connect(&t, &QTimer::timeout, [&] {
      QWidget* w = QApplication::activeModalWidget();
      if (auto* d = dynamic_cast<QFileDialog*>(w); d != nullptr && d->isVisible()) {
        if (++plikowe == 1) {
          d->selectNameFilter(DialogZapisuQt::kFiltrPcm);
          if (auto* nazwa = d->findChild<QLineEdit*>("fileNameEdit")) nazwa->setText(p.nazwa);
          QMetaObject::invokeMethod(d, "accept", Qt::QueuedConnection);
        } else {
          QMetaObject::invokeMethod(d, "reject", Qt::QueuedConnection);
        }
      } else if (auto* m = dynamic_cast<QMessageBox*>(w); m != nullptr && m->isVisible() && pytanie.isEmpty()) {
        pytanie = m->text();
        m->button(p.odpowiedz == QMessageBox::NoButton ? QMessageBox::No : p.odpowiedz)->click();
      }
    });
    t.start();
    const std::optional<DialogZapisu::Wybor> wybor = dialog.Pokaz("Zegar");
    t.stop();
    if (p.odpowiedz == QMessageBox::NoButton) {
      EXPECT_TRUE(pytanie.isEmpty()) << pytanie.toStdString();
    } else {
      EXPECT_TRUE(pytanie.contains(QString::fromStdString(k / "fala_orig.wav"))) << pytanie.toStdString();
    }
    // "No" went back to the file dialog, which was cancelled.
    EXPECT_EQ(plikowe, p.odpowiedz == QMessageBox::No ? 2 : 1);
    ASSERT_EQ(wybor.has_value(), p.wybrany);
    if (wybor) {
      EXPECT_EQ(wybor->plik, k / p.nazwa.toStdString());
      EXPECT_TRUE(wybor->pcm);
    }
  }
}

}  // namespace
