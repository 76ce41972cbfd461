#pragma once
// The main window's view (WidokOkna) on a terminal, for the window's logic (LogikaOkna)
// without a window: one line for each thing a person at a terminal needs, "status: TEXT"
// for a new status text (the pop-up message reaches the status line too), "station: NAME"
// when the server names the station it now plays, "connection: ..." for the player core's
// connection notifications and "reconnecting in 5 s" when the reconnect timer starts. What
// a terminal has no use for (the axis's layers and marks, the lists, the menus, the
// window's height, the buttons) does nothing. The reconnect timer is a QTimer.
//
// Thread of the Qt event loop only.
#include <QTimer>

#include <cstdint>
#include <functional>
#include <vector>

#include "window/WidokOkna.h"

class WidokTekstowy : public WidokOkna {
 public:
  using Wyjscie = std::function<void(const String& linia)>;

  // `ponow` is called each time the reconnect timer fires (LogikaOkna::Timer1); `czas`
  // gives the time being heard, which stands for the axis's time. Lines go to `wyjscie`,
  // or, when it is empty, to standard output with control characters escaped.
  WidokTekstowy(std::function<void()> ponow, std::function<Czas()> czas, Wyjscie wyjscie = {});

  // One line on the terminal.
  void Wypisz(const String& s);
  // A connection notification of the player core (WM_PLAYER_...).
  void Polaczenie(int komunikat, uintptr_t wParam);
  // The station the server last said it plays; empty before it first did.
  const String& Stacja() const { return stacja; }
  bool TimerPolaczeniaDziala() const { return timer.isActive(); }

  void UstawStatus(const String& s) override;
  // The same text reaches the status line right after: printed there once.
  void PokazDymek(const String&) override {}
  void UkryjDymek() override {}
  void UstawGuziczkiFunkcyjne(bool) override {}
  void PokazZaslone(bool) override {}
  void UstawTimerPolaczenia(bool dziala) override;
  void UstawTytul(const String&) override {}
  void UstawPrzyciskStacji(const String& s) override;
  void ZaznaczUlubione(const String&) override {}
  void PokazMenuUlubionych(int) override {}
  void Minimalizuj() override {}
  void UstawPrzyciskWydarzen(const String&) override {}
  void UstawMenuWydarzen(const std::vector<String>&, bool) override {}
  void PokazListeWydarzen(bool) override {}
  void UstawListeWydarzen(const String&) override {}
  void ZmienOstatniaLinieWydarzen(const String&) override {}
  void PokazListeEksportu(bool) override {}
  void UstawListeEksportu(const String&) override {}
  void UstawWysokosc(int) override {}
  void UstawPrzyciskEksportu(const String&) override {}
  void PokazPostepEksportu(bool, int) override {}
  void UstawPostepEksportu(int) override {}
  void PokazPozostalyCzas(bool) override {}
  void UstawPozostalyCzas(const String&) override {}
  void UstawPodpowiedzOd(const String&) override {}
  void UstawPodpowiedzDo(const String&) override {}
  // A terminal has no prompt: cancelled.
  bool Zapytaj(String&, const String&) override { return false; }
  // A terminal has no clipboard: the text is printed, "link: " + tekst.
  void DoSchowka(const String& tekst) override;
  // "live: yes" / "live: no" when the live indicator changes.
  void UstawNaZywo(bool widoczny) override;
  void UstawPrzedzialy(int, Przedzialy&) override {}
  void AktualizujPrzedzialy(int, Update<Przedzialy>&) override {}
  void UsunWydarzenia() override {}
  void UstawMarkeryWydarzenia(int, TypMarkerow&) override {}
  void AktualizujMarkeryWydarzenia(int, Update<TypMarkerow>&) override {}
  void AktualizujMarkery(int, Update<TypMarkerow>&) override {}
  void UstawOd(Czas) override {}
  void UstawDo(Czas) override {}
  Czas CzasOsi() override { return czas(); }

 private:
  std::function<Czas()> czas;
  Wyjscie wyjscie;
  QTimer timer;
  String status;   // the last status text, lest the same one be printed again
  String stacja;
  bool naZywo = false;
};
