// The playing and navigation controls: play and stop, the station menu, the favourites,
// the events menu and list, the timers, the keyboard and the hover texts.
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include "axis/PaneleCzasu.h"
#include "player/ListaStacji.h"
#include "ui/DialogSerwerow.h"
#include "ui/Lampka.h"
#include "ui/OknoPomocy.h"
#include "ui/PodpisPrzycisku.h"
#include "ui/PolecenieKlawisza.h"
#include "ui/TForm3.h"
#include "window/LogikaOkna.h"
#include "window/SterowanieEsencji.h"

namespace {

const char* const q = "\"";

}  // namespace

void TForm3::WypelnijMenu(QMenu* m, const std::vector<PozycjaMenu>& pozycje) {
  m->clear();
  for (const PozycjaMenu& p : pozycje) {
    QAction* a = m->addAction(BezSkrotow(p.podpis));
    a->setToolTip(QString::fromStdString(p.podpowiedz));
    a->setStatusTip(QString::fromStdString(p.podpowiedz));
    connect(a, &QAction::triggered, this, [this, p] {
      if (!p.pytanie.empty()) {
        QMessageBox box(QMessageBox::Question, QString::fromStdString(p.tytulPytania),
                        QString::fromStdString(p.pytanie), QMessageBox::Yes | QMessageBox::No, this);
        box.setTextFormat(Qt::PlainText);
        if (box.exec() != QMessageBox::Yes) return;
      }
      if (p.akcja) Bezpiecznie(p.akcja);
    });
  }
}

void TForm3::PodlaczKontrolki() {
  // A click toggles a checkable button: the pressed one is set again from the playing state.
  connect(Button3, &QPushButton::clicked, this, [this] {
    Bezpiecznie([this] { logika->Wykonaj(Polecenie::Graj); });
    PokazStanGry();
  });
  connect(Button4, &QPushButton::clicked, this, [this] {
    Bezpiecznie([this] { logika->Wykonaj(Polecenie::Stop); });
    PokazStanGry();
  });

  // Stations: the menu at (window left + 10, window top + 50); the right button refreshes.
  connect(PrzyciskSerwerow, &QPushButton::clicked, this, [this] { PokazSerwery(); });
  connect(SpeedButton5, &QToolButton::clicked, this, [this] {
    WypelnijMenu(PopupMenu3, listaStacji->UstawMenuStacji());
    // The servers, always at hand: with none there is nothing else in the menu.
    PopupMenu3->addSeparator();
    connect(PopupMenu3->addAction(QString::fromUtf8("Serwery…")), &QAction::triggered, this, [this] { PokazSerwery(); });
    PopupMenu3->popup(geometry().topLeft() + QPoint(10, 50));
  });
  connect(SpeedButton5, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& p) { PopupMenu1->popup(SpeedButton5->mapToGlobal(p)); });
  connect(PopupMenu1->actions().front(), &QAction::triggered, this,
          [this] { Bezpiecznie([this] { listaStacji->PobierzListeStacji(); }); });

  for (int i = 0; i < ListaStacji::IleUlubionych; ++i) {
    QToolButton* b = SpeedButton[static_cast<size_t>(i)];
    connect(b, &QToolButton::clicked, this, [this, b, i] {
      b->setChecked(false);  // a toggle only to show the station playing
      Bezpiecznie([this, i] { logika->KliknietoUlubiona(i); });
    });
    connect(b, &QWidget::customContextMenuRequested, this, [this, i](const QPoint&) { PokazMenuUlubionych(i); });
    b->installEventFilter(this);
  }

  connect(SpeedButton6, &QToolButton::clicked, this,
          [this] { PopupMenu4->popup(geometry().topLeft() + QPoint(10, 84)); });
  SpeedButton6->installEventFilter(this);

  connect(ListBox2, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* it) { Bezpiecznie([this, it] { logika->Wydarzenia().GrajWydarzenie(ListBox2->row(it)); }); });
  ListBox2->viewport()->installEventFilter(this);

  connect(Timer1, &QTimer::timeout, this, [this] { Bezpiecznie([this] { logika->Timer1(); }); });
  connect(Timer2, &QTimer::timeout, this, [this] { Bezpiecznie([this] { listaStacji->PobierzListeStacji(); }); });
  connect(Timer3, &QTimer::timeout, this, [this] { Bezpiecznie([this] { Tick(); }); });

  // Hover texts.
  for (QWidget* w : std::initializer_list<QWidget*>{Button3, Button4, BitBtn6, BitBtn7, BitBtn8, BitBtn1, BitBtn2,
                                                    BitBtn3, Panel6, SpeedButton5, ListBox2}) {
    w->installEventFilter(this);
  }
  for (QLabel* p : Panel6->Panele()) p->installEventFilter(this);

  // The window sees every key before its controls.
  qApp->installEventFilter(this);
}

void TForm3::PokazMenuUlubionych(int przycisk) {
  const std::vector<PozycjaMenu> stacje = listaStacji->UstawMenuUlubionych(przycisk);
  if (stacje.empty()) {
    // Nothing to assign: an empty menu would open nothing and say nothing.
    logika->Status().BardzoLadnyPrint(listaStacji->IleSerwerow() == 0
                                          ? "Nie ma żadnego serwera: dodaj serwer w menu „Wybierz stację” → „Serwery…”"
                                          : "Żaden serwer nie podał jeszcze swoich stacji");
    return;
  }
  WypelnijMenu(PopupMenu2, stacje);
  QToolButton* b = SpeedButton[static_cast<size_t>(przycisk)];
  PopupMenu2->popup(b->mapToGlobal(QPoint(0, 0)));
}

void TForm3::UstawMenuWydarzen(const std::vector<String>& pozycje, bool wlaczony) {
  PopupMenu4->clear();
  for (const String& p : pozycje) {
    QAction* a = PopupMenu4->addAction(BezSkrotow(p));
    a->setToolTip(QString::fromStdString(p));
    connect(a, &QAction::triggered, this, [this, p] { Bezpiecznie([this, p] { logika->Wydarzenia().Popup4Cos(p); }); });
  }
  SpeedButton6->setEnabled(wlaczony);
}

void TForm3::PokazSerwery() {
  QStringList adresy;
  for (int i = 0; i < listaStacji->IleSerwerow(); ++i) adresy << QString::fromStdString(listaStacji->DajSerwer(i).Adres());
  DialogSerwerow d(adresy, this);
  if (d.exec() != QDialog::Accepted) return;
  std::vector<String> nowe;
  for (const QString& a : d.Adresy()) nowe.push_back(a.toStdString());
  Bezpiecznie([&] { listaStacji->UstawSerwery(nowe); });
  PokazUlubione();
}

void TForm3::UstawTekstZaslony() {
  // With no server the axis area says what to do, and offers the servers dialog; with
  // servers and no station yet, where to pick one.
  const bool brak = listaStacji->IleSerwerow() == 0;
  const bool bezStacji = sterowanie == nullptr || sterowanie->DajStacje().empty();
  Panel1->setText(brak ? QString::fromUtf8("Nie ma żadnego serwera archiwum.\n\nDodaj serwer przyciskiem poniżej albo w "
                                           "menu „Wybierz stację”, lub uruchom program z --server HOST[:PORT].")
                  : bezStacji ? QString::fromUtf8("Wybierz stację przyciskiem „Wybierz stację” w lewym górnym rogu okna.")
                              : QString());
  PrzyciskSerwerow->setVisible(brak);
}

void TForm3::PokazUlubione() {
  UstawTekstZaslony();
  const std::vector<Ulubiona>& u = listaStacji->Ulubione();
  for (size_t i = 0; i < SpeedButton.size() && i < u.size(); ++i) {
    QToolButton* b = SpeedButton[i];
    const QString podpis = u[i].podpis.empty() ? QString("*") : BezSkrotow(u[i].podpis);
    // The lamp: green while a server offers the station, red while none does; the caption
    // bold while offered, and the tooltip says it, so that colour is not the only sign.
    const bool zielona = u[i].lampka == Ulubiona::Zielona;
    const bool czerwona = u[i].lampka == Ulubiona::Czerwona;
    b->setIcon(zielona ? Lampka(KolorLampki::Zielona) : czerwona ? Lampka(KolorLampki::Czerwona) : QIcon());
    b->setIconSize(QSize(16, 16));
    b->setToolButtonStyle(zielona || czerwona ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonTextOnly);
    const QString klawisz = QString("F%1").arg(i + 5);
    const QString cel = QString::fromStdString(u[i].podpowiedz);
    b->setToolTip(u[i].podpowiedz.empty()
                      ? QString::fromUtf8("Ulubiona %1 (%2): nieprzypisana; prawy przycisk przypisuje stację").arg(i + 1).arg(klawisz)
                      : cel + " (" + klawisz + "): " +
                            (zielona ? QString::fromUtf8("serwer ją nadaje") : QString::fromUtf8("serwer jej teraz nie oferuje")));
    QFont f = b->font();
    f.setBold(zielona);
    b->setFont(f);
    UstawPodpis(b, podpis);
  }
}

void TForm3::UstawDymki() {
  auto dymek = [](QWidget* w, const char* tekst) { w->setToolTip(QString::fromUtf8(tekst)); };
  dymek(Button3, "Graj (F4, 0 na klawiaturze numerycznej)");
  dymek(Button4, "Stop (kropka na klawiaturze numerycznej)");
  dymek(SpeedButton5, "Wybierz stację; prawy przycisk uaktualnia listę stacji");
  dymek(SpeedButton6, "Wydarzenia do odtwarzania; prawy przycisk przełącza cały program i wydarzenia");
  dymek(BitBtn6, "Dodaj zakładkę słuchanej chwili");
  dymek(BitBtn7, "Dodaj zakładkę z własnym opisem");
  dymek(BitBtn8, "Lista zakładek (z Shift: usuwanie zakładek)");
  dymek(BitBtn1, "Oznacz początek przedziału do eksportu; prawy przycisk: przejdź do znacznika");
  dymek(BitBtn2, "Oznacz koniec przedziału do eksportu; prawy przycisk: przejdź do znacznika");
  dymek(BitBtn3, "Dodaj oznaczony przedział do listy eksportu");
  dymek(BitBtn5, "Wyczyść listę eksportu");
  dymek(BitBtn4, "Eksportuj przedziały z listy do pliku");
  if (ButtonNaZywo != nullptr) dymek(ButtonNaZywo, "Na żywo: od najnowszego nagrania stacji (End)");
  if (PrzyciskSkoku != nullptr) dymek(PrzyciskSkoku, "Przejdź do wpisanej chwili (Ctrl+G); Ctrl+Shift+C kopiuje link");
  dymek(Panel6, "Lewy przycisk: naprzód, prawy: wstecz o jednostkę panelu");
}

void TForm3::PokazPomoc() {
  if (pomoc == nullptr) pomoc = new OknoPomocy(this);
  pomoc->show();
  pomoc->raise();
  pomoc->activateWindow();
}

bool TForm3::Klawisz(QKeyEvent* k) {
  if (k->key() == Qt::Key_F1 && k->modifiers() == Qt::NoModifier) {
    PokazPomoc();
    return true;
  }
  if (k->key() == Qt::Key_M && k->modifiers() == Qt::NoModifier) {
    Wycisz->toggle();
    return true;
  }
  const std::optional<Polecenie> p = PolecenieKlawisza(*k);
  if (!p) return false;
  bool zjedzony = false;
  Bezpiecznie([&] { zjedzony = logika->Wykonaj(*p); });
  return zjedzony;
}

void TForm3::Podpowiedz(QObject* o) {
  auto krotko = [this](const char* s) { logika->Status().LadnyPrint5s(s); };
  if (o == Button3) return krotko("Rozpocznij odtwarzanie");
  if (o == Button4) return krotko("Zatrzymaj odtwarzanie");
  if (o == BitBtn6) return krotko("Dodaj zakładkę");
  if (o == BitBtn7) return krotko("Dodaj zakładkę z opisem");
  if (o == BitBtn8) return krotko("Pokaż listę zakładek");
  if (o == BitBtn1) return krotko("Oznacz początek przedziału do eksportu");
  if (o == BitBtn2) return krotko("Oznacz koniec przedziału do eksportu");
  if (o == BitBtn3) return krotko("Dodaj oznaczony przedział do eksportu");
  if (o == ButtonNaZywo) return krotko("Odtwarzaj na żywo: od najnowszego nagrania stacji (klawisz End)");
  if (o == PrzyciskSkoku) return krotko("Przejdź do wpisanej chwili (Ctrl+G); Ctrl+Shift+C kopiuje link do chwili");
  bool panel = o == Panel6;
  for (QLabel* p : Panel6->Panele()) panel = panel || o == p;
  if (panel) return krotko("Kliknij lewym przyciskiem myszy aby przewinąć do przodu, lub prawym aby przewinąć do tyłu");
  if (o == SpeedButton5) {
    return logika->Status().LadnyPrint(
        "Kliknij lewym przyciskiem myszy aby wyświetlić listę stacji, lub prawym przyciskiem myszy w celu "
        "uaktualnienia listy stacji");
  }
  if (o == SpeedButton6) {
    if (SpeedButton6->isEnabled()) logika->Status().LadnyPrint("Kliknij lewym przyciskiem myszy aby wyświetlić listę wydarzeń");
    return;
  }
  if (o == ListBox2) {
    return logika->Status().LadnyPrint(
        "Kliknij dwa razy lewym przyciskiem myszy aby odtwarzać wybrane wydarzenie, lub kliknij prawym aby dodać je "
        "do eksportu");
  }
  for (size_t i = 0; i < SpeedButton.size(); ++i) {
    if (o == SpeedButton[i]) {
      const std::vector<Ulubiona>& u = listaStacji->Ulubione();
      const String podpis = i < u.size() && !u[i].podpis.empty() ? u[i].podpis : String("*");
      return logika->Status().LadnyPrint(String("Kliknij lewym przyciskiem myszy aby wybrać ") + q + podpis + q +
                                ", kliknij prawym przyciskiem myszy aby zmienić przypisaną stację");
    }
  }
}

bool TForm3::eventFilter(QObject* o, QEvent* e) {
  switch (e->type()) {
    case QEvent::KeyPress: {
      // Keys typed into another window (the prompt, a message box) or an open menu are theirs.
      auto* w = qobject_cast<QWidget*>(o);
      if (w == nullptr || w->window() != this || QApplication::activePopupWidget() != nullptr) break;
      if (QApplication::activeModalWidget() != nullptr) break;
      if (Klawisz(static_cast<QKeyEvent*>(e))) return true;
      break;
    }
    case QEvent::Enter:
      if (o != this) Bezpiecznie([&] { Podpowiedz(o); });
      break;
    case QEvent::MouseButtonRelease: {
      auto* m = static_cast<QMouseEvent*>(e);
      if (m->button() != Qt::RightButton) break;
      if (o == SpeedButton6) {
        Bezpiecznie([this] { logika->Wydarzenia().PrzelaczWydarzenia(); });
        return true;
      }
      if (o == ListBox2->viewport() || o == ListBox1->viewport()) {
        QListWidget* l = o == ListBox2->viewport() ? ListBox2 : ListBox1;
        QListWidgetItem* it = l->itemAt(m->position().toPoint());
        if (it == nullptr) return true;
        l->setCurrentItem(it);
        const int wiersz = l->row(it);
        if (l == ListBox2) Bezpiecznie([&] { logika->Wydarzenia().EksportujWydarzenie(wiersz); });
        else Bezpiecznie([&] { logika->Eksport().UsunZEksportu(wiersz); });
        return true;
      }
      break;
    }
    case QEvent::MouseButtonPress: {
      auto* m = static_cast<QMouseEvent*>(e);
      if (m->button() == Qt::RightButton && o == BitBtn1) {
        Bezpiecznie([this] { logika->Eksport().IdzDoOd(); });
        return true;
      }
      if (m->button() == Qt::RightButton && o == BitBtn2) {
        Bezpiecznie([this] { logika->Eksport().IdzDoDo(); });
        return true;
      }
      break;
    }
    default:
      break;
  }
  return QMainWindow::eventFilter(o, e);
}
