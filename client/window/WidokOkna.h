#pragma once
// What the main window's logic (LogikaOkna) asks of the widgets: captions, visibility,
// the status line and the pop-up message, the reconnect timer, the lists, the window's
// height, the text prompt, the clipboard and the time axis's layers and marks. The Qt
// window implements it over its widgets; tests implement it by recording the calls. Every call is made on
// the window's (GUI) thread and must return without waiting for the network or the sound.
#include <vector>

#include "common/TypMarkerow.h"
#include "common/Update.h"
#include "core/Czas.h"
#include "core/String.h"
#include "intervals/Przedzialy.h"

class WidokOkna {
 public:
  // The status line's message panel.
  virtual void UstawStatus(const String& s) = 0;
  // The pop-up message with text s, centred over the axis area / hidden.
  virtual void PokazDymek(const String& s) = 0;
  virtual void UkryjDymek() = 0;
  // "Graj" and "Stop" enabled or disabled.
  virtual void UstawGuziczkiFunkcyjne(bool wlaczone) = 0;
  // The cover over the axis area, shown while not connected.
  virtual void PokazZaslone(bool widoczna) = 0;
  // The 5 s reconnect timer started (from now) or stopped.
  virtual void UstawTimerPolaczenia(bool dziala) = 0;
  virtual void UstawTytul(const String& s) = 0;
  // The station button's caption.
  virtual void UstawPrzyciskStacji(const String& s) = 0;
  // Each favourite button down exactly when its hint equals `cel`; an empty `cel`
  // releases all four.
  virtual void ZaznaczUlubione(const String& cel) = 0;
  // The favourite assignment menu for button `przycisk` (0-3), opened at that button.
  virtual void PokazMenuUlubionych(int przycisk) = 0;
  // Minimises the application.
  virtual void Minimalizuj() = 0;

  // The events button: its caption; its menu's items (one per line) and whether it is enabled.
  virtual void UstawPrzyciskWydarzen(const String& podpis) = 0;
  virtual void UstawMenuWydarzen(const std::vector<String>& pozycje, bool wlaczony) = 0;
  // The events list: shown or hidden, its whole text (lines ending in "\r\n"), its last line.
  virtual void PokazListeWydarzen(bool widoczna) = 0;
  virtual void UstawListeWydarzen(const String& tekst) = 0;
  virtual void ZmienOstatniaLinieWydarzen(const String& linia) = 0;

  // The export list: shown or hidden and its text.
  virtual void PokazListeEksportu(bool widoczna) = 0;
  virtual void UstawListeEksportu(const String& tekst) = 0;
  // The window's fixed height (348 or 380).
  virtual void UstawWysokosc(int wysokosc) = 0;
  // The export button's caption ("Eksportuj" / "Przerwij eksport").
  virtual void UstawPrzyciskEksportu(const String& s) = 0;
  // The progress gauge: shown with its maximum (and position 0) or hidden; its position.
  virtual void PokazPostepEksportu(bool widoczny, int maksimum) = 0;
  virtual void UstawPostepEksportu(int pozycja) = 0;
  // The remaining-time label: shown or hidden, its text.
  virtual void PokazPozostalyCzas(bool widoczny) = 0;
  virtual void UstawPozostalyCzas(const String& s) = 0;
  // The hints of the "Od" and "Do" buttons.
  virtual void UstawPodpowiedzOd(const String& s) = 0;
  virtual void UstawPodpowiedzDo(const String& s) = 0;

  // The text prompt: true and the edited text in `tekst` when confirmed; false and
  // `tekst` unchanged when cancelled.
  virtual bool Zapytaj(String& tekst, const String& tytul) = 0;
  // The system clipboard's text replaced by `tekst`.
  virtual void DoSchowka(const String& tekst) = 0;

  // The time axis: layers (0 recordings, 1 export list, 2 + k events), the event markers,
  // the diagnostic marker type 0, the "Od"/"Do" marks, and the time the axis and the
  // digit panels show.
  virtual void UstawPrzedzialy(int warstwa, Przedzialy& p) = 0;
  virtual void AktualizujPrzedzialy(int warstwa, Update<Przedzialy>& u) = 0;
  virtual void UsunWydarzenia() = 0;
  virtual void UstawMarkeryWydarzenia(int k, TypMarkerow& m) = 0;
  virtual void AktualizujMarkeryWydarzenia(int k, Update<TypMarkerow>& u) = 0;
  virtual void AktualizujMarkery(int typ, Update<TypMarkerow>& u) = 0;
  virtual void UstawOd(Czas c) = 0;
  virtual void UstawDo(Czas c) = 0;
  virtual Czas CzasOsi() = 0;

  // ---- The live edge ----
  // The live indicator ("Na żywo") beside the status line's message, shown or hidden.
  virtual void UstawNaZywo(bool widoczny) = 0;

  virtual ~WidokOkna() = default;
};
