#pragma once
// The main window's views (WidokOkna) on a terminal, for the window's logic (LogikaOkna)
// without a window: one line for each thing a person at a terminal needs, "status: TEXT"
// for a new status text (the pop-up message reaches the status line too), "station: NAME"
// when the server names the station it now plays, "connection: ..." for the player core's
// connection notifications, "reconnecting in 5 s" when the reconnect timer starts, "live:
// yes|no" when the live indicator changes and "link: ..." for the clipboard. A terminal
// has no events list, export row or axis: those views are the empty one (WidokPusty),
// whose axis time is the time being heard. The reconnect timer is a QTimer.
//
// Thread of the Qt event loop only.
#include <QTimer>

#include <cstdint>
#include <functional>

#include "player/PowiadomieniaPlayera.h"
#include "window/WidokOkna.h"
#include "window/WidokPusty.h"

class WidokTekstowy : public WidokOkna,
                      public WidokStatusu,
                      public WidokPolaczenia,
                      public WidokStacji,
                      public WidokNaZywo,
                      public WidokZapytan {
 public:
  using Wyjscie = std::function<void(const String& linia)>;

  // `ponow` is called each time the reconnect timer fires (LogikaOkna::Timer1); `czas`
  // gives the time being heard, which stands for the axis's time. Lines go to `wyjscie`,
  // or, when it is empty, to standard output with control characters escaped.
  WidokTekstowy(std::function<void()> ponow, std::function<Czas()> czas, Wyjscie wyjscie = {});

  // One line on the terminal.
  void Wypisz(const String& s);
  // A connection notification of the player core.
  void Polaczenie(ZdarzeniePolaczenia z);
  // The station the server last said it plays; empty before it first did.
  const String& Stacja() const { return stacja; }
  bool TimerPolaczeniaDziala() const { return timer.isActive(); }

  WidokStatusu& Statusu() override { return *this; }
  WidokPolaczenia& Polaczenia() override { return *this; }
  WidokStacji& Stacji() override { return *this; }
  WidokWydarzen& Wydarzen() override { return pusty; }
  WidokEksportu& Eksportu() override { return pusty; }
  WidokOsi& Osi() override { return pusty; }
  WidokNaZywo& NaZywo() override { return *this; }
  WidokZapytan& Zapytan() override { return *this; }

  void UstawStatus(const String& s) override;
  // The same text reaches the status line right after: printed there once.
  void PokazDymek(const String&) override {}
  void UkryjDymek() override {}
  // A terminal has no buttons or cover; the reconnect timer is its own.
  void UstawGuziczkiFunkcyjne(bool) override {}
  void PokazZaslone(bool) override {}
  void UstawTimerPolaczenia(bool dziala) override;
  // "station: NAME"; a terminal has no title, favourite buttons or minimising.
  void UstawPrzyciskStacji(const String& s) override;
  void UstawTytul(const String&) override {}
  void ZaznaczUlubione(const String&) override {}
  void PokazMenuUlubionych(int) override {}
  void Minimalizuj() override {}
  // "live: yes" / "live: no" when the live indicator changes.
  void UstawNaZywo(bool widoczny) override;
  // The terminal's user stops and plays with commands of their own: nothing to show.
  void UstawZatrzymany(bool) override {}
  // A terminal has no prompt: cancelled.
  bool Zapytaj(String&, const String&, const Sprawdzenie&) override { return false; }
  // A terminal has no clipboard: the text is printed, "link: " + tekst.
  void DoSchowka(const String& tekst) override;

 private:
  WidokPusty pusty;
  Wyjscie wyjscie;
  QTimer timer;
  String status;   // the last status text, lest the same one be printed again
  String stacja;
  bool naZywo = false;
};
