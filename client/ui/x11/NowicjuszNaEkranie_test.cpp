// A newcomer's first minutes, under a real X server with a window manager (openbox), by
// real X input only (xdotool), against a real demo server: from an empty window to a
// server, the first station picked playing, Stop that stays in force, the volume, help,
// tooltips, a refused typed moment, bookmarks' delete mode, favourites at the narrowest
// width, a refused favourite and a connection that comes back.
#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressBar>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <QTimer>
#include <QToolTip>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "audio/AudioOutputChoice.h"
#include "audio/PlayAudio.h"
#include "axis/AxisFixtures.h"
#include "axis/WinControl.h"
#include "player/EsencjaPlayera.h"
#include "player/ListaStacji.h"
#include "support/SerwerX.h"
#include "support/TempDir.h"
#include "ui/DialogSerwerow.h"
#include "ui/OknoPomocy.h"
#include "ui/TEditString.h"
#include "ui/TForm3.h"
#include "ui/x11/NaEkranie.h"
#include "window/LogikaOkna.h"
#include "window/StosPlayera.h"

namespace {

// The modal dialog of type D once it has the X input focus (keys typed before go elsewhere).
template <class D>
D* Aktywny() {
  auto* d = dynamic_cast<D*>(QApplication::activeModalWidget());
  return d != nullptr && d->isActiveWindow() ? d : nullptr;
}

// A real click on the item `tekst` of the open menu `m`.
bool KlikWMenu(QMenu* m, const QString& tekst) {
  if (!Czekaj([&] { return m->isVisible(); }, 3000)) return false;
  for (QAction* a : m->actions()) {
    if (a->text() == tekst) {
      const QPoint p = m->mapToGlobal(m->actionGeometry(a).center());
      return Xdotool({"mousemove", QString::number(p.x()), QString::number(p.y()), "click", "1"});
    }
  }
  return false;
}

TEST(NowicjuszNaEkranie, OdPustegoOknaDoGrania) {
  if (!SerwerX::Jeden().Dziala()) GTEST_SKIP() << "Xvfb could not be started";
  if (!SerwerX::Jeden().MenedzerOkien()) GTEST_SKIP() << "openbox could not be started";
  axis_test::Aplikacja();
  ASSERT_EQ(QGuiApplication::platformName(), "xcb");
  SetAudioOutput(ResolveAudioOutput(String("null")));

  TempDir katalog;
  auto serwer = std::make_unique<SerwerDemo>(katalog / "archive");
  ASSERT_GT(serwer->port, 0) << serwer->wyjscie.toStdString();
  const int port = serwer->port;
  const String adres = "127.0.0.1:" + std::to_string(port);
  // A favourite of a station the server does not have (a station gone).
  std::filesystem::create_directories(katalog / "settings");
  std::ofstream(katalog / "settings/KorwendoGraU.ini", std::ios::binary)
      << "[Ulubione]\r\nUlubiona1=Nieznana@" << adres << "\r\n";

  OpcjeOkna o;
  o.katalog = katalog / "settings";
  TForm3 f(o);
  f.FormCreate();
  f.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
  ASSERT_TRUE(Xdotool({"windowactivate", "--sync", QString::number(f.winId())}));

  // Nothing plays yet: stopped at a glance, never "Na żywo"; the axis area says what to do.
  EXPECT_EQ(f.StatusNaZywo->text(), QString::fromUtf8("Zatrzymano"));
  EXPECT_TRUE(f.Button4->isChecked());
  EXPECT_FALSE(f.Button3->isChecked());
  EXPECT_TRUE(f.Panel1->text().contains("--server"));
  EXPECT_TRUE(Zrzut(f, "korwendogra-x11-nowicjusz.png"));

  // "Serwery…" on the empty window: the address typed, Enter adds it, Save keeps it.
  bool wpisany = false;
  QString wpisane;
  QTimer dialog;
  QObject::connect(&dialog, &QTimer::timeout, [&] {
    auto* d = Aktywny<DialogSerwerow>();
    if (d == nullptr || wpisany) return;
    wpisany = true;
    Xdotool({"type", "--", QString::fromStdString(adres)});
    Xdotool({"key", "Return"});
    Czekaj([&] { return d->Lista()->count() == 1; }, 2000);
    wpisane = d->Pole()->text() + " | " + d->Blad()->text() + " | " + QString::number(d->Lista()->count());
    Klik(d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save));
  });
  dialog.start(50);
  ASSERT_TRUE(Klik(f.PrzyciskSerwerow));
  ASSERT_TRUE(Czekaj([&] { return wpisany && QApplication::activeModalWidget() == nullptr; }, 10000)) << "no servers dialog";
  dialog.stop();
  ASSERT_EQ(f.Lista().IleSerwerow(), 1) << wpisane.toStdString();
  EXPECT_TRUE(f.Panel1->text().startsWith(QString::fromUtf8("Wybierz stację przyciskiem"))) << f.Panel1->text().toStdString();

  // The first station picked from the menu plays, without Graj.
  ASSERT_TRUE(Czekaj([&] { return !f.Lista().Stacje().empty(); }, 20000)) << "no station list";
  ASSERT_TRUE(Klik(f.SpeedButton5));
  ASSERT_TRUE(KlikWMenu(f.PopupMenu3, "Zegar"));
  ASSERT_TRUE(Czekaj([&] { return f.windowTitle() == "KorwendoGra - Zegar"; }, 20000)) << f.windowTitle().toStdString();
  EXPECT_TRUE(f.Panel1->text().isEmpty()) << "the cover still asks for a station";
  // The engine was started for it: nothing else would.
  ASSERT_TRUE(Czekaj([&] { return !f.Player().Zatrzymany(); }, 10000));
  EXPECT_TRUE(f.Button3->isChecked());
  EXPECT_NE(f.StatusNaZywo->text(), QString::fromUtf8("Zatrzymano"));
  // (Whether sound then flows depends on how much the fresh demo archive holds at this
  // moment; it is checked below, after Graj, and in the suite's other window test.)

  // Stop, clicked, stays in force across a change of station, and shows.
  ASSERT_TRUE(Klik(f.Button4));
  ASSERT_TRUE(Czekaj([&] { return f.StatusNaZywo->text() == QString::fromUtf8("Zatrzymano"); }, 3000));
  EXPECT_TRUE(f.Button4->isChecked());
  ASSERT_TRUE(Klik(f.SpeedButton5));
  ASSERT_TRUE(KlikWMenu(f.PopupMenu3, QString::fromUtf8("Dwójka")));
  ASSERT_TRUE(Czekaj([&] { return f.windowTitle() == QString::fromUtf8("KorwendoGra - Dwójka"); }, 20000));
  EXPECT_TRUE(f.Player().Zatrzymany());
  EXPECT_FALSE(Gra(f)) << "a change of station after Stop plays";
  ASSERT_TRUE(Klik(f.Button3));
  EXPECT_TRUE(Czekaj([&] { return !f.Player().Zatrzymany(); }, 3000));
  EXPECT_TRUE(ZaczynaGrac(f, 30000)) << "Graj does not play";

  // M mutes and unmutes the stream.
  PlayAudio* wyjscie = f.Stos().Esencja().DajGrajka().GetPlayAudio();
  ASSERT_TRUE(Xdotool({"key", "m"}));
  EXPECT_TRUE(Czekaj([&] { return f.Wycisz->isChecked() && wyjscie->Volume() == 0.0; }, 3000));
  ASSERT_TRUE(Xdotool({"key", "m"}));
  EXPECT_TRUE(Czekaj([&] { return !f.Wycisz->isChecked() && wyjscie->Volume() > 0.0; }, 3000));

  // The tooltip of Graj names its key.
  const QPoint graj = f.Button3->mapToGlobal(f.Button3->rect().center());
  ASSERT_TRUE(Xdotool({"mousemove", QString::number(graj.x()), QString::number(graj.y() + 2)}));
  EXPECT_TRUE(Czekaj([] { return QToolTip::isVisible() && QToolTip::text().contains("F4"); }, 5000))
      << QToolTip::text().toStdString();

  // F1 opens the help, Escape closes it.
  const QPoint os = f.os->mapToGlobal(f.os->rect().center());
  ASSERT_TRUE(Xdotool({"mousemove", QString::number(os.x()), QString::number(os.y())}));
  ASSERT_TRUE(Czekaj([] { return !QToolTip::isVisible(); }, 3000));
  ASSERT_TRUE(Xdotool({"key", "F1"}));
  // (Found by its C++ type: it has no meta-object of its own.)
  OknoPomocy* pomoc = nullptr;
  const auto znajdz = [&] {
    for (QDialog* d : f.findChildren<QDialog*>()) {
      if (auto* p = dynamic_cast<OknoPomocy*>(d); p != nullptr && p->isVisible()) pomoc = p;
    }
    return pomoc != nullptr;
  };
  ASSERT_TRUE(Czekaj(znajdz, 5000))
      << "F1 opened no help; active " << f.isActiveWindow() << " focus "
      << (QApplication::focusWidget() != nullptr ? QApplication::focusWidget()->metaObject()->className() : "none");
  ASSERT_TRUE(Xdotool({"windowactivate", "--sync", QString::number(pomoc->winId())}));
  ASSERT_TRUE(Czekaj([&] { return pomoc->isActiveWindow(); }, 3000));
  EXPECT_TRUE(Zrzut(*pomoc, "korwendogra-x11-pomoc.png"));
  ASSERT_TRUE(Xdotool({"key", "Escape"}));
  EXPECT_TRUE(Czekaj([&] { return !pomoc->isVisible(); }, 3000));

  // Ctrl+G with a text it cannot read: the reason in the prompt, which stays open with
  // the text; after Escape the status line is not taken by the welcome again.
  QString powod;
  bool odrzucony = false;
  QTimer prompt;
  QObject::connect(&prompt, &QTimer::timeout, [&] {
    auto* d = Aktywny<TEditString>();
    if (d == nullptr || odrzucony) return;
    odrzucony = true;
    Xdotool({"key", "ctrl+a"});
    Xdotool({"type", "--", "nigdy"});
    Xdotool({"key", "Return"});
    QTest::qWait(300);
    powod = d->findChild<QLabel*>("blad") != nullptr ? d->findChild<QLabel*>("blad")->text() : QString();
    EXPECT_TRUE(d->isVisible()) << "the prompt closed on a text it cannot read";
    EXPECT_EQ(d->Edit1->text(), "nigdy");
    Xdotool({"key", "Escape"});
  });
  prompt.start(50);
  ASSERT_TRUE(Xdotool({"windowactivate", "--sync", QString::number(f.winId())}));
  ASSERT_TRUE(Xdotool({"key", "ctrl+g"}));
  ASSERT_TRUE(Czekaj([&] { return odrzucony && QApplication::activeModalWidget() == nullptr; }, 8000)) << "no prompt";
  prompt.stop();
  EXPECT_TRUE(powod.contains("nigdy")) << powod.toStdString();
  QTest::qWait(300);
  EXPECT_NE(f.StatusPanel0->text(), QString::fromUtf8("Witamy w programie KorwendoGra."));

  // A bookmark by "+", then Shift with "Lista": the delete mode, titled and marked.
  ASSERT_TRUE(Klik(f.BitBtn6));
  ASSERT_TRUE(Czekaj([&] { return !f.Lista().UstawMenuZakladek().empty(); }, 3000));
  ASSERT_TRUE(Xdotool({"keydown", "shift"}));
  ASSERT_TRUE(Klik(f.BitBtn8));
  ASSERT_TRUE(Xdotool({"keyup", "shift"}));
  ASSERT_TRUE(Czekaj([&] { return f.PopupMenu5->isVisible(); }, 3000));
  const QList<QAction*> usuwanie = f.PopupMenu5->actions();
  ASSERT_GE(usuwanie.size(), 3);
  EXPECT_EQ(usuwanie[0]->text(), QString::fromUtf8("Usuń zakładkę"));
  EXPECT_TRUE(usuwanie[2]->text().startsWith(QString::fromUtf8("✕")));
  QTest::qWait(200);
  EXPECT_TRUE(Zrzut(f, "korwendogra-x11-usun-zakladke.png"));
  ASSERT_TRUE(Xdotool({"key", "Escape"}));
  ASSERT_TRUE(Czekaj([&] { return !f.PopupMenu5->isVisible(); }, 3000));

  // At the narrowest width the favourites are there to click: the first assigned by its
  // right click, then played by a left click.
  ASSERT_TRUE(Xdotool({"windowsize", "--sync", QString::number(f.winId()), "798", QString::number(f.height())}));
  ASSERT_TRUE(Czekaj([&] { return f.width() == 798; }, 3000)) << f.width();
  QToolButton* pierwsza = f.SpeedButton[0];
  ASSERT_TRUE(pierwsza->isVisible());
  ASSERT_TRUE(Klik(pierwsza, 3));
  ASSERT_TRUE(KlikWMenu(f.PopupMenu2, QString::fromStdString("Zegar@" + adres))) << f.PopupMenu2->isVisible() << " " << f.PopupMenu2->actions().size() << " "
                                                << (f.PopupMenu2->actions().empty() ? "" : f.PopupMenu2->actions()[0]->text().toStdString());
  ASSERT_TRUE(Czekaj([&] { return pierwsza->text() == "Zegar" && !pierwsza->icon().isNull(); }, 3000))
      << pierwsza->text().toStdString();
  ASSERT_TRUE(Klik(pierwsza));
  ASSERT_TRUE(Czekaj([&] { return f.windowTitle() == "KorwendoGra - Zegar"; }, 20000)) << f.windowTitle().toStdString();
  QTest::qWait(300);
  EXPECT_TRUE(Zrzut(f, "korwendogra-x11-798.png"));

  // The favourite of a station gone (F6): the server's refusal reaches the status line.
  ASSERT_TRUE(Xdotool({"key", "F6"}));
  EXPECT_TRUE(Czekaj([&] { return f.StatusPanel0->text().startsWith(QString::fromUtf8("Serwer odmówił: ")); }, 10000))
      << f.StatusPanel0->text().toStdString();

  // The server goes and comes back on its port: the station menu is full again at once,
  // not at the next periodic refresh.
  serwer.reset();
  ASSERT_TRUE(Czekaj([&] { return f.StatusPanel0->text().startsWith(QString::fromUtf8("Rozłączony")) ||
                                  f.StatusPanel0->text().startsWith(QString::fromUtf8("Błąd połączenia")); },
                     15000))
      << f.StatusPanel0->text().toStdString();
  serwer = std::make_unique<SerwerDemo>(katalog / "archive", port);
  ASSERT_EQ(serwer->port, port) << serwer->wyjscie.toStdString();
  ASSERT_TRUE(Czekaj([&] { return !f.Panel1->isVisible(); }, 30000)) << "not connected again";
  EXPECT_TRUE(Czekaj([&] { return !f.Lista().Stacje().empty(); }, 10000)) << "the station list waits for the refresh";
}

// The export by real X input: the name typed in the save dialog, the gauge naming the file,
// the end naming it and offering its folder; the same name again is asked about by the
// file's final name (with the extension added), and "No" replaces nothing.
TEST(NowicjuszNaEkranie, EksportNazywaPlikINieZastepujeBezPytania) {
  if (!SerwerX::Jeden().Dziala()) GTEST_SKIP() << "Xvfb could not be started";
  if (!SerwerX::Jeden().MenedzerOkien()) GTEST_SKIP() << "openbox could not be started";
  axis_test::Aplikacja();
  SetAudioOutput(ResolveAudioOutput(String("null")));
  TempDir katalog;
  SerwerDemo serwer(katalog / "archive");
  ASSERT_GT(serwer.port, 0) << serwer.wyjscie.toStdString();
  OpcjeOkna o = OpcjeNaDemo(serwer, katalog / "settings");
  TForm3 f(o);
  f.FormCreate();
  f.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
  ASSERT_TRUE(Czekaj([&] { return f.windowTitle() == "KorwendoGra - Zegar"; }, 60000));
  ASSERT_TRUE(ZaczynaGrac(f, 30000));

  // Four seconds marked and put on the list, by clicks.
  ASSERT_TRUE(Klik(f.BitBtn1));
  ASSERT_TRUE(Czekaj([&] { return f.Logika().Eksport().Od() != Czas(); }, 3000));
  QTest::qWait(4000);
  ASSERT_TRUE(Klik(f.BitBtn2));
  ASSERT_TRUE(Czekaj([&] { return f.Logika().Eksport().Do() > f.Logika().Eksport().Od(); }, 3000));
  ASSERT_TRUE(Klik(f.BitBtn3));
  ASSERT_TRUE(Czekaj([&] { return f.Logika().Eksport().DoEksportu().Count() == 1; }, 3000));

  // "Eksportuj", the name typed into the save dialog (the extension is the export's), Enter;
  // a question about replacing a file is answered by `odpowiedz` (Escape: No).
  const std::string cel = katalog / "fala";
  int pytania = 0;
  bool wpisany = false;
  const auto eksportuj = [&](const char* odpowiedz) {
    wpisany = false;
    QTimer t;
    QObject::connect(&t, &QTimer::timeout, [&] {
      QWidget* d = QApplication::activeModalWidget();
      if (d == nullptr || !d->isActiveWindow()) return;
      if (auto* m = dynamic_cast<QMessageBox*>(d); m != nullptr) {
        ++pytania;
        EXPECT_TRUE(m->text().contains(QString::fromStdString(cel + ".mp3"))) << m->text().toStdString();
        Xdotool({"key", odpowiedz});
        QTest::qWait(300);
        return;
      }
      if (dynamic_cast<QFileDialog*>(d) == nullptr) return;
      if (wpisany) {
        Xdotool({"key", "Escape"});  // back in the file dialog after "No": cancelled
        QTest::qWait(300);
        return;
      }
      wpisany = true;
      Xdotool({"key", "ctrl+a"});
      Xdotool({"type", "--", QString::fromStdString(cel)});
      Xdotool({"key", "Return"});
      QTest::qWait(300);
    });
    t.start(50);
    EXPECT_TRUE(Klik(f.BitBtn4));
    EXPECT_TRUE(Czekaj([&] { return wpisany && QApplication::activeModalWidget() == nullptr; }, 15000)) << "no save dialog";
    t.stop();
  };
  eksportuj("Escape");
  ASSERT_TRUE(Czekaj([&] { return f.EksportBar->isVisible() || f.BitBtn4->text() == "Eksportuj"; }, 5000));
  ASSERT_TRUE(Czekaj([&] {
    return f.BitBtn4->text() == "Eksportuj" && f.StatusPanel0->text().startsWith(QString::fromUtf8("Eksport zakończony"));
  }, 30000)) << f.StatusPanel0->text().toStdString();
  EXPECT_EQ(f.StatusPanel0->text(), QString::fromStdString("Eksport zakończony: " + cel + ".mp3"));
  EXPECT_TRUE(f.PrzyciskFolderu->isVisible());
  // The gauge named the file beside its percentage (its text stays until the next export).
  EXPECT_TRUE(f.EksportBar->format().startsWith("%p%") && f.EksportBar->format().contains("fala.mp3"))
      << f.EksportBar->format().toStdString();
  EXPECT_EQ(pytania, 0);
  // "Otwórz folder" hands the folder to the desktop's opener (here one that notes it).
  std::filesystem::create_directories(katalog / "bin");
  const std::string otwieracz = katalog / "bin/xdg-open";
  std::ofstream(otwieracz) << "#!/bin/sh\nprintf '%s' \"$1\" > \"" << katalog / "otwarty" << "\"\n";
  std::filesystem::permissions(otwieracz, std::filesystem::perms::owner_all);
  qputenv("PATH", QByteArray::fromStdString(katalog / "bin") + ":" + qgetenv("PATH"));
  ASSERT_TRUE(Klik(f.PrzyciskFolderu));
  // (The opener's shell makes the file before it writes into it: read until it holds what
  // the opener was given.)
  const auto otwarty = [&] {
    std::ifstream plik(katalog / "otwarty");
    return std::string(std::istreambuf_iterator<char>(plik), {});
  };
  EXPECT_TRUE(Czekaj([&] { return !otwarty().empty(); }, 5000));
  EXPECT_EQ(otwarty(), katalog.Path());
  const auto rozmiar = std::filesystem::file_size(cel + ".mp3");
  ASSERT_GT(rozmiar, 0u);

  // The same name again: asked by the final name; No replaces nothing and exports nothing.
  std::filesystem::last_write_time(cel + ".mp3", std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
  const auto przed = std::filesystem::last_write_time(cel + ".mp3");
  eksportuj("Escape");
  EXPECT_EQ(pytania, 1);
  QTest::qWait(500);
  EXPECT_EQ(f.BitBtn4->text(), "Eksportuj");
  EXPECT_EQ(std::filesystem::last_write_time(cel + ".mp3"), przed);
  EXPECT_EQ(std::filesystem::file_size(cel + ".mp3"), rozmiar);
}

}  // namespace
