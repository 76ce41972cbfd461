// The window's assembly, layout, tick, notifications and its side of WidokOkna.
#include "ui/TForm3.h"

#include <QApplication>
#include <QDateTime>
#include <QLocale>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "axis/CzasNaPanelach.h"
#include "axis/OsPlayera.h"
#include "axis/PaneleCzasu.h"
#include "axis/QtDrawer.h"
#include "axis/QtKursor.h"
#include "axis/WinControl.h"
#include "core/CallTrace.h"
#include "core/ErrorText.h"
#include "core/Log.h"
#include "display/DoubleTimeComponent.h"
#include "export/ExporterZDialogiem.h"
#include "player/ListaStacji.h"
#include "ui/DialogZapisuQt.h"
#include "ui/RaportAwarii.h"
#include "ui/PodpisPrzycisku.h"
#include "ui/TEditString.h"
#include "window/LogikaOkna.h"
#include "window/PoczatekGry.h"
#include "window/Ponawianie.h"
#include "window/SterowanieEsencji.h"
#include "window/StosPlayera.h"

namespace {

constexpr int kGoraOsi = 64;       // where the axis area begins
constexpr int kWysokoscOsi = 169;  // Panel1's height
constexpr int kRzadPrzyciskow = kGoraOsi + kWysokoscOsi + 6;
constexpr int kRzadEksportu = kRzadPrzyciskow + 58;

QPushButton* Przycisk(QWidget* rodzic, const char* tekst, int x, int y, int w, int h = 27) {
  auto* b = new QPushButton(TForm3::BezSkrotow(tekst), rodzic);
  b->setGeometry(x, y, w, h);
  return b;
}

QLabel* Etykieta(QWidget* rodzic, const QString& tekst = QString()) {
  auto* l = new QLabel(tekst, rodzic);
  l->setTextFormat(Qt::PlainText);
  return l;
}

}  // namespace

// What the axis's right click edits: the logic's export list.
class TForm3::EksportOsi : public EksportNaOsi {
 public:
  explicit EksportOsi(TForm3& f) : okno(f) {}
  Przedzialy& ZaznaczenieEksportu() override { return okno.logika->Eksport().DoEksportu(); }
  Przedzialy& WydarzeniaNaOsi() override { return okno.logika->Wydarzenia().WszystkieWydarzenia(); }
  Przedzialy& Nagrania() override { return okno.logika->PrzedzialyAudio(); }
  void DodajDoEksportu(Czas od, Czas do_) override {
    okno.Bezpiecznie([&] { okno.logika->Eksport().DodajDoEksportu(od, do_); });
  }
  void UsunZEksportu(Czas od, Czas do_) override {
    okno.Bezpiecznie([&] { okno.logika->Eksport().UsunZEksportu(od, do_); });
  }

 private:
  TForm3& okno;
};

QString TForm3::BezSkrotow(const String& s) { return QString::fromStdString(s).replace("&", "&&"); }

TForm3::TForm3(OpcjeOkna o, QWidget* parent) : QMainWindow(parent), opcje(std::move(o)) {
  KG_TRACE("TForm3::TForm3(OpcjeOkna o, QWidget* parent)");
  setWindowTitle("KorwendoGra");
  listaStacji = std::make_unique<ListaStacji>(opcje.katalog);
  eksportOsi = std::make_unique<EksportOsi>(*this);
  Log(0, "app start", KG_WHERE);
  Zbuduj();

  drawer = std::make_unique<QtDrawer>(devicePixelRatioF());
  osPlayera = std::make_unique<OsPlayera>(eksportOsi.get());
  kursor = std::make_unique<QtKursor>();
  osPlayera->UstawKursor(kursor.get());
  os = new WinControl(drawer.get(), osPlayera->Kontrolka(), centralWidget());
  os->lower();
  panele = std::make_unique<CzasNaPanelach>(Panel6->Panele());
  para = std::make_unique<DoubleTimeComponent>(osPlayera.get(), panele.get());
  stos = std::make_unique<StosPlayera>(para.get(), EsencjaPlayera::Wyposazenie{}, [this] {
    QMetaObject::invokeMethod(this, [this] { Powiadomienia(); }, Qt::QueuedConnection);
  });
  sterowanie = &stos->Sterowanie();
  if (opcje.eksport == nullptr) {
    dialogZapisu = std::make_unique<DialogZapisuQt>(this);
    stos->UstawEksport(std::make_unique<ExporterZDialogiem>(stos->Esencja(), dialogZapisu.get()));
  }
  LogikaOkna::Ustawienia u;
  u.diagnostyka = opcje.diagnostyka;
  logika = &stos->ZbudujLogike(*this, *listaStacji, u, opcje.eksport);
  listaStacji->UstawPoZmianie([this] { PokazUlubione(); });
  stos->Esencja().UstawPozycje(Czas::Teraz());
  Label1->setVisible(opcje.diagnostyka);

  prompt = new TEditString(this);
  ZbudujSkok();
  PodlaczKontrolki();
  PodlaczEksport();
  UstawDymki();
  Rozmiesc();
}

TForm3::~TForm3() {
  // How long the ticks took, for anyone who wonders why the window felt slow.
  if (czasyTicku.Ile() > 0) Log(3, "okno: " + czasyTicku.Napis("ticks"), KG_WHERE);
  Timer1->stop();
  Timer2->stop();
  Timer3->stop();
  // The stack in its own order: the export's file finished while its connection exists,
  // the player core before the message thread, no notification after it.
  stos.reset();
  sterowanie = nullptr;
  logika = nullptr;
  para.reset();
  panele.reset();
  delete os;
  os = nullptr;
  osPlayera.reset();
  drawer.reset();
}

void TForm3::Zbuduj() {
  auto* c = new QWidget(this);
  setCentralWidget(c);

  SpeedButton5 = new QToolButton(c);
  UstawPodpis(SpeedButton5, BezSkrotow("Wybierz stację"));
  SpeedButton5->setAutoRaise(true);
  QFont gruba = SpeedButton5->font();
  gruba.setBold(true);
  gruba.setPixelSize(15);
  SpeedButton5->setFont(gruba);
  SpeedButton5->setGeometry(8, 4, 300, 28);
  SpeedButton5->setContextMenuPolicy(Qt::CustomContextMenu);

  Label4 = Etykieta(c, "Gramy:");
  Label4->setGeometry(12, 38, 48, 22);
  SpeedButton6 = new QToolButton(c);
  SpeedButton6->setText(BezSkrotow("Cały program"));
  SpeedButton6->setAutoRaise(true);
  SpeedButton6->setGeometry(62, 36, 246, 25);
  SpeedButton6->setEnabled(false);

  Panel4 = new QWidget(c);
  Panel4->setGeometry(316, 4, 4 * 118, 28);
  for (int i = 0; i < 4; ++i) {
    auto* b = new QToolButton(Panel4);
    b->setText("*");
    b->setCheckable(true);
    b->setAutoRaise(true);
    b->setGeometry(i * 118, 0, 114, 28);
    b->setContextMenuPolicy(Qt::CustomContextMenu);
    SpeedButton[static_cast<size_t>(i)] = b;
  }

  Panel6 = new PaneleCzasu(c);

  Panel1 = Etykieta(c);
  Panel1->setAutoFillBackground(true);
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setAlignment(Qt::AlignCenter);
  Panel1->setWordWrap(true);
  // The empty window's way to a server.
  PrzyciskSerwerow = new QPushButton(QString::fromUtf8("Serwery…"), Panel1);
  PrzyciskSerwerow->setToolTip(QString::fromUtf8("Dodaj serwer archiwum"));
  PrzyciskSerwerow->hide();

  ListBox2 = new QListWidget(c);
  ListBox2->hide();
  ListBox1 = new QListWidget(c);
  ListBox1->hide();

  Button3 = Przycisk(c, "Graj", 8, kRzadPrzyciskow + 14, 80, 30);
  Button4 = Przycisk(c, "Stop", 94, kRzadPrzyciskow + 14, 80, 30);
  Zakladki = new QGroupBox(QString::fromUtf8("Zakładki"), c);
  Zakladki->setGeometry(190, kRzadPrzyciskow, 226, 52);
  BitBtn6 = Przycisk(Zakladki, "+", 8, 18, 40);
  BitBtn7 = Przycisk(Zakladki, "+ z opisem", 52, 18, 96);
  BitBtn8 = Przycisk(Zakladki, "Lista", 152, 18, 66);
  BitBtn1 = Przycisk(c, "Oznacz \"Od\"", 0, kRzadPrzyciskow + 14, 110, 30);
  BitBtn2 = Przycisk(c, "Oznacz \"Do\"", 0, kRzadPrzyciskow + 14, 110, 30);
  BitBtn3 = Przycisk(c, "Dodaj do listy", 0, kRzadPrzyciskow + 14, 120, 30);

  RzadEksportu = new QWidget(c);
  BitBtn5 = Przycisk(RzadEksportu, "Czyść listę", 0, 0, 110, 27);
  BitBtn4 = Przycisk(RzadEksportu, "Eksportuj", 0, 0, 130, 27);
  EksportBar = new QProgressBar(RzadEksportu);
  EksportBar->setToolTip("Eksport");
  EksportBar->setTextVisible(false);
  EksportBar->hide();
  Label2 = Etykieta(RzadEksportu);
  Label2->hide();
  RzadEksportu->hide();

  StatusPanel0 = Etykieta(statusBar());
  StatusPanel1 = Etykieta(statusBar());
  StatusPanel1->setFixedWidth(200);
  // The message takes what the bar's other widgets leave; a long one is cut, never pushes.
  StatusPanel0->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  statusBar()->addWidget(StatusPanel0, 1);
  ZbudujNaZywo();
  ZbudujPredkosc();
  ZbudujGlosnosc();
  statusBar()->addPermanentWidget(StatusPanel1);
  statusBar()->setSizeGripEnabled(false);

  Panel2 = new QWidget(c);
  Panel2->setAutoFillBackground(true);
  QPalette biala = Panel2->palette();
  biala.setColor(QPalette::Window, Qt::white);
  Panel2->setPalette(biala);
  Label3 = Etykieta(Panel2);
  Label3->move(4, 4);
  Panel2->hide();

  Label1 = Etykieta(c);
  QFont mala = Label1->font();
  mala.setPixelSize(9);
  Label1->setFont(mala);

  Timer1 = new QTimer(this);
  Timer1->setInterval(ponawianie::kOdstepMs);
  Timer2 = new QTimer(this);
  Timer2->setInterval(100000);
  Timer3 = new QTimer(this);
  Timer3->setInterval(10);
  Timer3->setTimerType(Qt::PreciseTimer);

  PopupMenu1 = new QMenu(this);
  PopupMenu2 = new QMenu(this);
  PopupMenu3 = new QMenu(this);
  PopupMenu4 = new QMenu(this);
  PopupMenu5 = new QMenu(this);
  PopupMenu1->addAction(BezSkrotow("Uaktualnij listę stacji"));
  for (QMenu* m : {PopupMenu2, PopupMenu3, PopupMenu4, PopupMenu5}) m->setToolTipsVisible(true);
}

void TForm3::Rozmiesc() {
  const int w = centralWidget()->width();
  const QSize p = Panel6->sizeHint();
  Panel6->setGeometry(w - p.width() - 8, 2, p.width(), p.height());
  Panel6->PolozEtykieteLata();
  RozmiescGore(w, RozmiescSkok());
  os->setGeometry(0, kGoraOsi, w, kWysokoscOsi);
  Panel1->setGeometry(0, kGoraOsi, w, kWysokoscOsi);
  const QSize rozmiar = PrzyciskSerwerow->sizeHint();
  PrzyciskSerwerow->setGeometry((w - rozmiar.width()) / 2, kWysokoscOsi - rozmiar.height() - 16, rozmiar.width(),
                                rozmiar.height());
  ListBox2->setGeometry(4, kGoraOsi + 4, 280, kWysokoscOsi - 8);
  ListBox1->setGeometry(w - 4 - 330, kGoraOsi + 4, 330, kWysokoscOsi - 8);
  BitBtn3->move(w - 8 - BitBtn3->width(), BitBtn3->y());
  BitBtn2->move(BitBtn3->x() - 6 - BitBtn2->width(), BitBtn2->y());
  BitBtn1->move(BitBtn2->x() - 6 - BitBtn1->width(), BitBtn1->y());
  RzadEksportu->setGeometry(0, kRzadEksportu, w, 30);
  BitBtn4->move(w - 8 - BitBtn4->width(), 0);
  BitBtn5->move(BitBtn4->x() - 6 - BitBtn5->width(), 0);
  EksportBar->setGeometry(8, 4, std::max(0, BitBtn5->x() - 8 - 130), 19);
  Label2->setGeometry(EksportBar->x() + EksportBar->width() + 8, 0, 110, 27);
  Label1->setGeometry(w - 60, kRzadEksportu - 12, 56, 12);
  if (Panel2->isVisible()) PokazDymek(Label3->text().toStdString());
}

void TForm3::RozmiescGore(int w, int skok) {
  // The station and events buttons narrow a little on a narrow window.
  const int kolumna = std::clamp(w - 578, 220, 300);
  SpeedButton5->setGeometry(8, 4, kolumna, 28);
  SpeedButton6->setGeometry(62, 36, kolumna - 54, 25);
  ButtonNaZywo->move(kolumna + 16, ButtonNaZywo->y());
  // The favourites at their full width in the first row when they fit between the station
  // button and the jump button; else in the second row, between "Na żywo" and the
  // summer-time label, as wide as the room there allows.
  constexpr int kUlubiona = 114;
  constexpr int kOdstep = 4;
  int x = kolumna + 16;
  int miejsce = skok - 8 - x;
  QRect rzad(x, 4, miejsce, 28);
  if (miejsce < 4 * kUlubiona + 3 * kOdstep) {
    x = ButtonNaZywo->geometry().right() + 1 + 8;
    miejsce = Panel6->Panele()[11]->x() - 8 - x;
    rzad = QRect(x, 35, miejsce, 27);
  }
  const int b = std::clamp((miejsce - 3 * kOdstep) / 4, 0, kUlubiona);
  Panel4->setGeometry(rzad.x(), rzad.y(), 4 * b + 3 * kOdstep, rzad.height());
  for (size_t i = 0; i < SpeedButton.size(); ++i) {
    SpeedButton[i]->setGeometry(static_cast<int>(i) * (b + kOdstep), 0, b, rzad.height());
    DopasujPodpis(SpeedButton[i]);
  }
  DopasujPodpis(SpeedButton5);
}

void TForm3::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  if (os != nullptr) Rozmiesc();
}

SterowaniePlayera& TForm3::Player() { return *sterowanie; }

void TForm3::FormCreate() {
  KG_TRACE("TForm3::FormCreate()");
  QScreen* ekran = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
  const QRect pulpit = ekran->availableGeometry();
  setMinimumWidth(798);
  resize(std::max(798, ekran->geometry().width() * 8 / 9), LogikaOkna::kWysokosc);
  UstawWysokosc(LogikaOkna::kWysokosc);
  move(pulpit.x() + (pulpit.width() - width()) / 2, pulpit.y() + (pulpit.height() - frameGeometry().height()) / 2);

  // The servers named on the command line join the list read from the settings; a
  // station named there is played instead of the resume position.
  DolaczSerwery(*listaStacji, opcje.serwery, PoczatekGry::kOkno);
  EsencjaPlayera& esencja = stos->Esencja();
  listaStacji->UstawPlayera(&esencja);
  // The volume the settings remember (full without it).
  Glosnosc->setValue(listaStacji->Glosnosc());
  ZastosujGlosnosc();
  // The speed the settings remember (1x without it), before anything plays.
  Bezpiecznie([this] { logika->Predkosc().Ustaw(listaStacji->Predkosc() / 25); });
  PokazUlubione();
  // The engine starts stopped: the station named or resumed plays at once.
  const PoczatekGry g = Decyduj(*listaStacji, opcje.stacja, opcje.od, PoczatekGry::kOkno);
  if (g.rodzaj == PoczatekGry::Rodzaj::Graj) {
    Bezpiecznie([&] {
      esencja.ZmienStacje(g.cel, g.od.value_or(Czas::Teraz()));
      esencja.Graj();
    });
  } else if (g.rodzaj == PoczatekGry::Rodzaj::Wznow) {
    // A position the player core refuses is the settings' fault: logged, and the window waits.
    TraceMarkDepth();
    try {
      esencja.ZmienStacje(g.cel, g.od.value_or(Czas::Teraz()));
    } catch (const std::exception& e) {
      Log(1, "nie można wznowić \"" + g.cel + "\": " + e.what(), KG_WHERE);
    }
    TraceReturnToMark();
    Bezpiecznie([&] { esencja.Graj(); });
  }
  Timer2->start();
  Timer3->start();
}

QString TForm3::TekstWersji() {
  // The build's date and time as the user's locale writes them.
  const BuildMoment b = BuildTime();
  const QDateTime kiedy(QDate(b.year, b.month, b.day), QTime(b.hour, b.minute, b.second));
  return "Wersja: " + QString::fromStdString(VersionNumber()) + " (" + QLocale().toString(kiedy, QLocale::ShortFormat) +
         ")";
}

void TForm3::FormActivate() {
  KG_TRACE("TForm3::FormActivate()");
  // The GUI thread gives way to the playback thread; a refusal costs nothing but that.
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
  if (errno == 0 && nice < 5 && setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 5) != 0) {
    Log(1, String("nie można obniżyć priorytetu wątku okna: ") + std::strerror(errno), KG_WHERE);
  }
  StatusPanel1->setText(TekstWersji());
  // 200 pixels wide, or as wide as the version's text needs.
  StatusPanel1->setFixedWidth(std::max(200, StatusPanel1->fontMetrics().horizontalAdvance(StatusPanel1->text()) + 8));
  // Welcome once a run: every activation (each closed dialog) would otherwise replace
  // what the status line and the pop-up were saying, such as why a text was refused.
  if (!powitano) logika->Status().BardzoLadnyPrint("Witamy w programie KorwendoGra.");
  powitano = true;
  listaStacji->PobierzListeStacji();
}

void TForm3::Tick() {
  const auto poczatek = std::chrono::steady_clock::now();
  logika->Tick();
  os->Uaktualnij();
  if (Label1->isVisible()) Label1->setText(QString::fromStdString(klatki.Get()));
  czasyTicku.Dodaj(std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - poczatek).count());
}

void TForm3::Powiadomienia() {
  if (!stos) return;
  for (ZdarzeniePolaczenia z : stos->Odbierz()) Bezpiecznie([&] { logika->Powiadomienie(z); });
}

bool TForm3::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate) Bezpiecznie([this] { FormActivate(); });
  return QMainWindow::event(e);
}

void TForm3::AppOnException(const std::exception& e) {
  KG_TRACE("TForm3::AppOnException(const std::exception& e)");
  Log(1, String("AppOnException: ") + e.what(), KG_WHERE);
  ZapiszRaportAwarii(String("AppOnException: ") + e.what() + "\n" + CallTraceText() + "\n");
  if (zamykany) return;
  zamykany = true;
  Timer1->stop();
  Timer3->stop();
  QTimer::singleShot(0, this, [this] { close(); });
}

void TForm3::Bezpiecznie(const std::function<void()>& f) {
  TraceMarkDepth();
  try {
    f();
  } catch (const std::exception& e) {
    AppOnException(e);
  }
  TraceReturnToMark();
}

// The views.

void TForm3::UstawStatus(const String& s) { StatusPanel0->setText(QString::fromStdString(s)); }

void TForm3::PokazDymek(const String& s) {
  Label3->setText(QString::fromStdString(s));
  Label3->adjustSize();
  Panel2->resize(Label3->width() + 8, Label3->height() + 8);
  Panel2->move(Panel1->x() + (Panel1->width() - Panel2->width()) / 2,
               Panel1->y() + (Panel1->height() - Panel2->height()) / 2);
  Panel2->show();
  Panel2->raise();
}

void TForm3::UkryjDymek() { Panel2->hide(); }

void TForm3::UstawGuziczkiFunkcyjne(bool wlaczone) {
  Button3->setEnabled(wlaczone);
  Button4->setEnabled(wlaczone);
  ButtonNaZywo->setEnabled(wlaczone);
}

void TForm3::PokazZaslone(bool widoczna) {
  Panel1->setVisible(widoczna);
  if (widoczna) {
    Panel1->raise();
    ListBox1->raise();
    ListBox2->raise();
    Panel2->raise();
  }
}

void TForm3::UstawTimerPolaczenia(bool dziala) {
  if (dziala) Timer1->start();
  else Timer1->stop();
}

void TForm3::UstawTytul(const String& s) {
  setWindowTitle(QString::fromStdString(s));
  // The title names the station picked: the cover no longer asks for one.
  UstawTekstZaslony();
}

void TForm3::UstawPrzyciskStacji(const String& s) { UstawPodpis(SpeedButton5, BezSkrotow(s)); }

void TForm3::ZaznaczUlubione(const String& cel) {
  for (QToolButton* b : SpeedButton) b->setChecked(!cel.empty() && b->toolTip().toStdString() == cel);
}

void TForm3::Minimalizuj() { showMinimized(); }

void TForm3::UstawPrzyciskWydarzen(const String& podpis) { SpeedButton6->setText(BezSkrotow(podpis)); }

void TForm3::PokazListeWydarzen(bool widoczna) {
  ListBox2->setVisible(widoczna);
  if (widoczna) ListBox2->raise();
}

void TForm3::UstawListeWydarzen(const String& tekst) {
  ListBox2->clear();
  QString t = QString::fromStdString(tekst);
  if (t.endsWith("\r\n")) t.chop(2);
  if (!t.isEmpty()) ListBox2->addItems(t.split("\r\n"));
}

void TForm3::ZmienOstatniaLinieWydarzen(const String& linia) {
  if (ListBox2->count() == 0) ListBox2->addItem(QString());
  ListBox2->item(ListBox2->count() - 1)->setText(QString::fromStdString(linia));
}

void TForm3::PokazListeEksportu(bool widoczna) {
  ListBox1->setVisible(widoczna);
  if (widoczna) ListBox1->raise();
}

void TForm3::UstawListeEksportu(const String& tekst) {
  ListBox1->clear();
  QString t = QString::fromStdString(tekst);
  if (t.endsWith("\r\n")) t.chop(2);
  if (!t.isEmpty()) ListBox1->addItems(t.split("\r\n"));
}

void TForm3::UstawWysokosc(int h) {
  wysokosc = h;
  setFixedHeight(h);
  RzadEksportu->setVisible(h >= LogikaOkna::kWysokoscEksportu);
}

void TForm3::UstawPrzyciskEksportu(const String& s) { BitBtn4->setText(BezSkrotow(s)); }

void TForm3::PokazPostepEksportu(bool widoczny, int maksimum) {
  if (widoczny) {
    EksportBar->setRange(0, std::max(0, maksimum));
    EksportBar->setValue(0);
  }
  EksportBar->setVisible(widoczny);
}

void TForm3::UstawPostepEksportu(int pozycja) { EksportBar->setValue(pozycja); }
void TForm3::PokazPozostalyCzas(bool widoczny) { Label2->setVisible(widoczny); }
void TForm3::UstawPozostalyCzas(const String& s) { Label2->setText(QString::fromStdString(s)); }
void TForm3::UstawPodpowiedzOd(const String& s) { BitBtn1->setToolTip(QString::fromStdString(s)); }
void TForm3::UstawPodpowiedzDo(const String& s) { BitBtn2->setToolTip(QString::fromStdString(s)); }
bool TForm3::Zapytaj(String& tekst, const String& tytul, const Sprawdzenie& sprawdz) {
  return prompt->Zapytaj(tekst, tytul, sprawdz);
}
void TForm3::UstawPrzedzialy(int warstwa, Przedzialy& p) { osPlayera->UstawPrzedzialy(warstwa, p); }
void TForm3::AktualizujPrzedzialy(int warstwa, Update<Przedzialy>& u) { osPlayera->AktualizujPrzedzialy(warstwa, u); }
void TForm3::UsunWydarzenia() { osPlayera->UsunWydarzenia(); }
void TForm3::UstawMarkeryWydarzenia(int k, TypMarkerow& m) { osPlayera->UstawMarkeryWydarzenia(k, m); }
void TForm3::AktualizujMarkeryWydarzenia(int k, Update<TypMarkerow>& u) { osPlayera->AktualizujMarkeryWydarzenia(k, u); }
void TForm3::AktualizujMarkery(int typ, Update<TypMarkerow>& u) { osPlayera->AktualizujMarkery(typ, u); }
void TForm3::UstawOd(Czas c) { osPlayera->UstawOd(c); }
void TForm3::UstawDo(Czas c) { osPlayera->UstawDo(c); }
Czas TForm3::CzasOsi() { return para->Get(); }
