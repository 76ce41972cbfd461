// The window's layout at every width it allows, offscreen: no widget leaves its parent or
// the window, and no two shown siblings overlap, except the axis area's own overlays over
// the axis. Run at a scale of 1 and again at 2 (ui_test_scale2).
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolButton>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <fstream>
#include <sstream>

#include "axis/PaneleCzasu.h"
#include "axis/WinControl.h"
#include "player/ListaStacji.h"
#include "support/TempDir.h"
#include "ui/OknoFixtures.h"
#include "ui/TForm3.h"
#include "window/LogikaOkna.h"

namespace {

using okno_ui::Okno;

String Nazwa(const QWidget* w) {
  const String n = w->objectName().toStdString();
  std::ostringstream s;
  s << w->metaObject()->className() << (n.empty() ? "" : " " + n);
  if (auto* b = qobject_cast<const QAbstractButton*>(w); b != nullptr) s << " \"" << b->text().toStdString() << "\"";
  if (auto* l = qobject_cast<const QLabel*>(w); l != nullptr) s << " \"" << l->text().left(20).toStdString() << "\"";
  s << " [" << w->x() << "," << w->y() << " " << w->width() << "x" << w->height() << "]";
  return s.str();
}

using Dozwolone = std::function<bool(const QWidget*, const QWidget*)>;

// The faults of `rodzic`'s shown children and of theirs, one line each; `dozwolone` says
// which two siblings may overlap by design.
void Sprawdz(const QWidget* rodzic, const Dozwolone& dozwolone, std::vector<String>& bledy) {
  std::vector<const QWidget*> dzieci;
  for (QObject* o : rodzic->children()) {
    auto* w = qobject_cast<QWidget*>(o);
    if (w == nullptr || w->isWindow() || !w->isVisibleTo(rodzic)) continue;
    dzieci.push_back(w);
    if (!rodzic->rect().contains(w->geometry())) {
      std::ostringstream s;
      s << Nazwa(w) << " leaves " << Nazwa(rodzic);
      bledy.push_back(s.str());
    }
    Sprawdz(w, dozwolone, bledy);
  }
  for (size_t i = 0; i < dzieci.size(); ++i) {
    for (size_t j = i + 1; j < dzieci.size(); ++j) {
      if (!dozwolone(dzieci[i], dzieci[j]) && dzieci[i]->geometry().intersects(dzieci[j]->geometry())) {
        bledy.push_back(Nazwa(dzieci[i]) + " and " + Nazwa(dzieci[j]) + " overlap in " + Nazwa(rodzic));
      }
    }
  }
}

// With KG_ZRZUTY=DIR set, each width's window goes to DIR (to look at what a person sees).
void Zrzut(QWidget* w, const std::string& nazwa) {
  const char* katalog = std::getenv("KG_ZRZUTY");
  if (katalog != nullptr) w->grab().save(QString::fromStdString(std::string(katalog) + "/" + nazwa));
}

// A newcomer's window with four favourites and an export list shown, playing at 1,5× (the
// speed shown in the status bar too), at each width from the narrowest the window allows:
// every control whole and apart from the others.
TEST(UkladOkna, ZadenWidzetNieZaslaniaInnego) {
  TempDir k;
  std::ofstream(k / "KorwendoGraU.ini", std::ios::binary)
      << "[Ulubione]\r\nUlubiona0=Zegar@127.0.0.1:1\r\nUlubiona1=Radio Mazowsze Program Drugi@127.0.0.1:1\r\n"
         "Ulubiona2=Trzecia@127.0.0.1:1\r\nUlubiona3=Czwarta@127.0.0.1:1\r\n";
  auto f = Okno(k, "[Serwery]\r\nSerwer0=127.0.0.1:1\r\n");
  f->Lista().DodajStacje("Zegar", &f->Lista().DajSerwer(0));
  f->Lista().WyswietlListeStacji();
  f->Logika().Predkosc().Ustaw(6);
  f->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(f.get()));
  ASSERT_TRUE(f->StatusPredkosci->isVisible());
  const double skala = f->devicePixelRatioF();
  // The axis area: the axis and the cover over it while not connected; the day's events and
  // the export list lie over them, apart from each other; the pop-up message over all four.
  const std::vector<const QWidget*> podstawa = {f->os, f->Panel1};
  const std::vector<const QWidget*> listy = {f->ListBox1, f->ListBox2};
  const auto w = [](const std::vector<const QWidget*>& v, const QWidget* x) {
    return std::find(v.begin(), v.end(), x) != v.end();
  };
  const Dozwolone dozwolone = [&](const QWidget* a, const QWidget* b) {
    for (int strona = 0; strona < 2; ++strona, std::swap(a, b)) {
      if (w(podstawa, a) && (w(podstawa, b) || w(listy, b) || b == f->Panel2)) return true;
      if (a == f->Panel2 && w(listy, b)) return true;
    }
    return false;
  };
  for (int szerokosc : {798, 1000, 1280, 1600, 2400}) {
    SCOPED_TRACE("width " + std::to_string(szerokosc) + " at scale " + std::to_string(skala));
    f->resize(szerokosc, f->height());
    QTest::qWait(20);
    EXPECT_EQ(f->width(), szerokosc);
    std::vector<String> bledy;
    Sprawdz(f.get(), dozwolone, bledy);
    for (const String& b : bledy) ADD_FAILURE() << b;
    for (QToolButton* b : f->SpeedButton) EXPECT_TRUE(b->isVisible()) << Nazwa(b);
    Zrzut(f.get(), "uklad-" + std::to_string(szerokosc) + "-x" + std::to_string(static_cast<int>(skala)) + ".png");
  }
}

// The export row while exporting, at the narrowest width: the gauge's percentage and file
// name readable, nothing over anything else.
TEST(UkladOkna, EksportWToku) {
  TempDir k;
  auto f = Okno(k);
  f->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(f.get()));
  f->resize(798, f->height());
  f->UstawWysokosc(LogikaOkna::kWysokoscEksportu);
  f->UstawListeEksportu("10 grudnia 2026 09:00:00 - 09:10:00");
  f->PokazListeEksportu(true);
  f->UstawPrzyciskEksportu("Przerwij eksport");
  f->PokazPostepEksportu(true, 600);
  f->UstawPostepEksportu(150);
  f->UstawPlikEksportu("Zegar 10 December 2026 09_00_00 z bardzo długą nazwą pliku.mp3");
  f->PokazPozostalyCzas(true);
  f->UstawPozostalyCzas("0:01:30");
  QTest::qWait(30);
  EXPECT_TRUE(f->EksportBar->text().startsWith("25%")) << f->EksportBar->text().toStdString();
  EXPECT_TRUE(f->EksportBar->text().contains(QString::fromUtf8("…"))) << f->EksportBar->text().toStdString();
  EXPECT_LE(f->EksportBar->fontMetrics().horizontalAdvance(f->EksportBar->text()), f->EksportBar->width());
  std::vector<String> bledy;
  Sprawdz(f->RzadEksportu, [](const QWidget*, const QWidget*) { return false; }, bledy);
  for (const String& b : bledy) ADD_FAILURE() << b;
  Zrzut(f.get(), "eksport-w-toku.png");
}

}  // namespace
