#pragma once
// The client's main window: it assembles the time axis, the digit panels, the player
// stack (StosPlayera) and the station list, places every control, and is every view
// (WidokOkna) of the window's logic (LogikaOkna), which does what the controls, the keys
// (as meanings, PolecenieKlawisza), the inbox and the connection notifications ask. Its 10 ms tick reads the inbox and moves
// the axis and the panels; a 5 s timer reconnects and a 100 s one refreshes the station
// lists. The controls are wired in TForm3Kontrolki.cpp (playing, stations, favourites,
// events, keyboard, hover texts) and TForm3Eksport.cpp (marking, export list, bookmarks).
//
// Threads: everything runs on the GUI thread; the player core's notifications, given on the
// message thread, wait in the stack, which wakes this window with a queued call.
#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "audio/FrameTimer.h"
#include "axis/EksportNaOsi.h"
#include "core/Czas.h"
#include "core/RozkladCzasow.h"
#include "core/String.h"
#include "window/WidokOkna.h"

class CzasNaPanelach;
class DoubleTimeComponent;
class ListaStacji;
class LogikaOkna;
class OsPlayera;
class PaneleCzasu;
class QtDrawer;
class QtKursor;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QProgressBar;
class QSlider;
class QPushButton;
class QTimer;
class QToolButton;
class DialogZapisuQt;
class ExporterOkna;
class SterowanieEsencji;
class StosPlayera;
class SterowaniePlayera;
class TEditString;
class WinControl;
struct PozycjaMenu;

// What the window starts with.
struct OpcjeOkna {
  String katalog;               // the settings directory (the ini files, log/)
  std::vector<String> serwery;  // servers added to the list when it lacks them ("host:port")
  String stacja;                // a target to play instead of the resume position
  std::optional<Czas> od;       // the moment to play it from; else the present
  String link;                  // the link given on the command line (handed to a running window)
  bool diagnostyka = false;     // the marker file ".debug" exists
  ExporterOkna* eksport = nullptr;  // the export engine (not owned); null: the window's own
};

class TForm3 : public QMainWindow,
               public WidokOkna,
               public WidokStatusu,
               public WidokPolaczenia,
               public WidokStacji,
               public WidokWydarzen,
               public WidokEksportu,
               public WidokOsi,
               public WidokNaZywo,
               public WidokZapytan {
 public:
  explicit TForm3(OpcjeOkna o, QWidget* parent = nullptr);
  // Deletes the player stack first (it uses the time components), then the time
  // components, the panels, the axis, its host and the drawer.
  ~TForm3() override;

  // At each activation of the window (each closed dialog too): the GUI thread's priority,
  // the version, the station lists asked for; the welcome at the first one only.
  void FormActivate();

  // FormCreate: the size, the favourite buttons, the server list (which resumes playing).
  void FormCreate();

  // A later start of the program handed over `link` (empty: none): the window goes to
  // the link's station and moment, its server added to the list when missing, and comes
  // to the front. A link it cannot read is said on the status line.
  void Przywolaj(const String& link);

  // An exception that escaped a handler: logged, reported, and the window closes.
  void AppOnException(const std::exception& e);
  // Runs f, handing what it raises to AppOnException.
  void Bezpiecznie(const std::function<void()>& f);

  LogikaOkna& Logika() { return *logika; }
  // How long each 10 ms tick took (the inbox, the logic, moving the axis and the panels);
  // logged when the window goes. A benchmark may clear it to measure from a later moment.
  RozkladCzasow& CzasyTicku() { return czasyTicku; }
  // The player core's commands and the time it is playing (the engine's own clock).
  SterowaniePlayera& Player();
  // The player stack: its notifications reach the logic on the window's event loop.
  StosPlayera& Stos() { return *stos; }
  ListaStacji& Lista() { return *listaStacji; }
  TEditString& Prompt() { return *prompt; }

  // WidokOkna: the window is each of its views.
  WidokStatusu& Statusu() override { return *this; }
  WidokPolaczenia& Polaczenia() override { return *this; }
  WidokStacji& Stacji() override { return *this; }
  WidokWydarzen& Wydarzen() override { return *this; }
  WidokEksportu& Eksportu() override { return *this; }
  WidokOsi& Osi() override { return *this; }
  WidokNaZywo& NaZywo() override { return *this; }
  WidokZapytan& Zapytan() override { return *this; }

  void UstawStatus(const String& s) override;
  void PokazDymek(const String& s) override;
  void UkryjDymek() override;
  void UstawGuziczkiFunkcyjne(bool wlaczone) override;
  void PokazZaslone(bool widoczna) override;
  void UstawTimerPolaczenia(bool dziala) override;
  void UstawTytul(const String& s) override;
  void UstawPrzyciskStacji(const String& s) override;
  void ZaznaczUlubione(const String& cel) override;
  void PokazMenuUlubionych(int przycisk) override;
  void Minimalizuj() override;
  void UstawPrzyciskWydarzen(const String& podpis) override;
  void UstawMenuWydarzen(const std::vector<String>& pozycje, bool wlaczony) override;
  void PokazListeWydarzen(bool widoczna) override;
  void UstawListeWydarzen(const String& tekst) override;
  void ZmienOstatniaLinieWydarzen(const String& linia) override;
  void PokazListeEksportu(bool widoczna) override;
  void UstawListeEksportu(const String& tekst) override;
  void UstawWysokosc(int wysokosc) override;
  void UstawPrzyciskEksportu(const String& s) override;
  void PokazPostepEksportu(bool widoczny, int maksimum) override;
  void UstawPostepEksportu(int pozycja) override;
  void PokazPozostalyCzas(bool widoczny) override;
  void UstawPozostalyCzas(const String& s) override;
  void UstawPlikEksportu(const String& nazwa) override;
  void ZaproponujFolder(const String& plik) override;
  void UstawPodpowiedzOd(const String& s) override;
  void UstawPodpowiedzDo(const String& s) override;
  bool Zapytaj(String& tekst, const String& tytul, const Sprawdzenie& sprawdz) override;
  void UstawPrzedzialy(int warstwa, Przedzialy& p) override;
  void AktualizujPrzedzialy(int warstwa, Update<Przedzialy>& u) override;
  void UsunWydarzenia() override;
  void UstawMarkeryWydarzenia(int k, TypMarkerow& m) override;
  void AktualizujMarkeryWydarzenia(int k, Update<TypMarkerow>& u) override;
  void AktualizujMarkery(int typ, Update<TypMarkerow>& u) override;
  void UstawOd(Czas c) override;
  void UstawDo(Czas c) override;
  Czas CzasOsi() override;

  // The widgets, by the names the rest of the program and the tests use.
  QToolButton* SpeedButton5;  // the station button
  QLabel* Label4;             // "Gramy:"
  QToolButton* SpeedButton6;  // the events button
  QWidget* Panel4;            // the favourite buttons
  std::array<QToolButton*, 4> SpeedButton{};  // SpeedButton1..4
  PaneleCzasu* Panel6;        // the digit panels
  WinControl* os;             // the axis host, where Panel1 stands
  QLabel* Panel1;             // the cover over the axis while not connected
  QListWidget* ListBox2;      // the events of the day
  QListWidget* ListBox1;      // the export list
  QPushButton* Button3;       // "Graj"
  QPushButton* Button4;       // "Stop"
  QGroupBox* Zakladki;        // "Zakładki"
  QPushButton* BitBtn6;       // "+"
  QPushButton* BitBtn7;       // a bookmark with a description
  QPushButton* BitBtn8;       // "Lista"
  QPushButton* BitBtn1;       // 'Oznacz "Od"'
  QPushButton* BitBtn2;       // 'Oznacz "Do"'
  QPushButton* BitBtn3;       // "Dodaj do listy"
  QWidget* RzadEksportu;      // the export row
  QPushButton* BitBtn5;       // "Czyść listę"
  QPushButton* BitBtn4;       // "Eksportuj" / "Przerwij eksport"
  QProgressBar* EksportBar;   // the percentage and the file being written
  QPushButton* PrzyciskFolderu = nullptr;  // "Otwórz folder", after an export
  QLabel* Label2;             // the remaining time
  QLabel* StatusPanel0;       // the status line's message
  QLabel* StatusPanel1;       // the version
  QWidget* Panel2;            // the pop-up message
  QLabel* Label3;
  QLabel* Label1;             // the frame rate, with diagnostics only
  QTimer* Timer1;             // reconnect, 5000 ms
  QTimer* Timer2;             // station lists, 100000 ms
  QTimer* Timer3;             // the main tick, 10 ms
  QMenu* PopupMenu1;          // "Uaktualnij listę stacji"
  QMenu* PopupMenu2;          // favourite assignment
  QMenu* PopupMenu3;          // stations
  QMenu* PopupMenu4;          // events
  QMenu* PopupMenu5;          // bookmarks

  // ---- The live edge ----
  // The live indicator in the status bar, between the message and the version.
  void UstawNaZywo(bool widoczny) override;
  void UstawZatrzymany(bool zatrzymany) override;
  // The speed on its button and, while not 1x, in the status bar (TForm3Predkosc.cpp).
  void UstawPredkosc(int cwierci) override;
  QPushButton* ButtonNaZywo;  // "Na żywo": plays the newest recorded audio (also End)
  QLabel* StatusNaZywo;       // "Na żywo" while playing at the live edge, else empty

  // The text of a menu item or a button: "&" doubled, so that no name becomes a mnemonic.
  static QString BezSkrotow(const String& s);
  // Fills `m` with `pozycje`; choosing one runs its action (asking its question first).
  void WypelnijMenu(QMenu* m, const std::vector<PozycjaMenu>& pozycje);

 protected:
  bool event(QEvent* e) override;
  bool eventFilter(QObject* o, QEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  class EksportOsi;
  void Zbuduj();
  void Rozmiesc();
  void Tick();
  // The player core's notifications waiting in the stack, to the logic.
  void Powiadomienia();
  // TForm3Kontrolki.cpp.
  void PodlaczKontrolki();
  // Every control's tooltip, naming its key where it has one.
  void UstawDymki();
  // F1: the help window (one; brought to the front when open).
  void PokazPomoc();
  // "Serwery…": the servers dialog; what it saves replaces the list, asked at once.
  void PokazSerwery();
  void PokazUlubione();
  // The cover's text: what to do with no server, or with no station picked yet.
  void UstawTekstZaslony();
  bool Klawisz(QKeyEvent* k);
  void Podpowiedz(QObject* o);
  // TForm3Eksport.cpp.
  void PodlaczEksport();
  void PokazZakladki(bool usuwanie);
  // TForm3NaZywo.cpp: the live edge's button and its indicator in the status bar, which
  // is added after the message panel.
  void ZbudujNaZywo();
  // TForm3Glosnosc.cpp: the volume slider and mute, and giving their volume to the player.
  void ZbudujGlosnosc();
  void ZastosujGlosnosc();
  // TForm3Predkosc.cpp: the speed's button before the volume, its label after the live
  // indicator.
  void ZbudujPredkosc();
  // The playing state as the logic last set it, and its show (TForm3NaZywo.cpp).
  bool naZywoPokazane = false;
  bool zatrzymanyPokazany = true;
  void PokazStanGry();
  // "Wersja: N.N.N.N (the build's date and time in the locale's short form)".
  static QString TekstWersji();
  // The folder of the last export's first file, and its opening (TForm3Eksport.cpp).
  String folderEksportu;
  void OtworzFolder();

  // ---- Going to a typed moment and copying the link of the moment (TForm3Skok.cpp) ----
 public:
  QToolButton* PrzyciskSkoku = nullptr;     // "Przejdź do" beside the digit panels, as Ctrl+G
  QPushButton* PrzyciskSerwerow = nullptr;  // "Serwery…" on the cover while there is no server
  QToolButton* Wycisz = nullptr;            // mute (M)
  QSlider* Glosnosc = nullptr;              // the volume, 0-100 %
  QToolButton* PrzyciskPredkosci = nullptr;  // the speed ("1,5×"), its menu the speeds
  QLabel* StatusPredkosci = nullptr;         // "Prędkość 1,5×" while not 1x
  // WidokZapytan: the text to the system clipboard.
  void DoSchowka(const String& tekst) override;

 private:
  // Makes and wires the button (from the constructor); places it left of the digit panels
  // and returns its left edge (from Rozmiesc).
  void ZbudujSkok();
  int RozmiescSkok();
  // The first two rows: the station and events buttons, "Na żywo" and the favourites, left
  // of the jump button at `skok`, in a window `w` pixels wide (from Rozmiesc).
  void RozmiescGore(int w, int skok);
  // ---- end of going to a moment ----

  OpcjeOkna opcje;
  std::unique_ptr<ListaStacji> listaStacji;
  std::unique_ptr<EksportOsi> eksportOsi;
  std::unique_ptr<QtDrawer> drawer;
  std::unique_ptr<OsPlayera> osPlayera;
  std::unique_ptr<QtKursor> kursor;
  std::unique_ptr<CzasNaPanelach> panele;
  std::unique_ptr<DoubleTimeComponent> para;
  // The save dialog of the window's own export engine (when none was given), which the
  // stack owns: the exporter on the player core's connection.
  std::unique_ptr<DialogZapisuQt> dialogZapisu;
  class OknoPomocy* pomoc = nullptr;  // F1's window, made at its first F1
  bool powitano = false;  // the welcome was shown (at the first activation)
  std::unique_ptr<StosPlayera> stos;
  SterowanieEsencji* sterowanie = nullptr;  // the stack's
  LogikaOkna* logika = nullptr;             // the stack's
  TEditString* prompt;
  FrameTimer klatki;
  RozkladCzasow czasyTicku;
  int wysokosc = 348;
  bool zamykany = false;
};
