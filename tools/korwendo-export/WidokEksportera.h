#pragma once
// The main window's views (WidokOkna) in korwendo-export, for the window's logic
// (LogikaOkna) that runs its session: each new status text goes to the log (the pop-up's
// texts the status line logs itself), and the
// export's gauge becomes the progress bar (the owner's callbacks). The exporter shows no
// station, connection controls, live indicator, events or axis; it has no prompt (a
// question is cancelled) and no clipboard. The reconnect timer never runs: the exporter
// ends when the connection goes.
//
// Thread of the exporter's loop only.
#include <functional>

#include "window/WidokOkna.h"
#include "window/WidokPusty.h"

class WidokEksportera : public WidokOkna,
                        public WidokStatusu,
                        public WidokPolaczenia,
                        public WidokStacji,
                        public WidokEksportu,
                        public WidokNaZywo,
                        public WidokZapytan {
 public:
  // `pokazPostep` is called when the export's gauge is shown (true) or hidden (false),
  // `postep` each time it moves. Either may be empty.
  WidokEksportera(std::function<void(bool widoczny)> pokazPostep, std::function<void()> postep);

  WidokStatusu& Statusu() override { return *this; }
  WidokPolaczenia& Polaczenia() override { return *this; }
  WidokStacji& Stacji() override { return *this; }
  WidokWydarzen& Wydarzen() override { return pusty; }
  WidokEksportu& Eksportu() override { return *this; }
  WidokOsi& Osi() override { return pusty; }
  WidokNaZywo& NaZywo() override { return *this; }
  WidokZapytan& Zapytan() override { return *this; }

  // A new status text is logged ("korwendo-export: " + s); the same one again, the
  // pop-up's (already logged) or the line cleared is not.
  void UstawStatus(const String& s) override;
  // The same text reaches the status line right after.
  void PokazDymek(const String& s) override { dymek = s; }
  void UkryjDymek() override {}

  void UstawGuziczkiFunkcyjne(bool) override {}
  void PokazZaslone(bool) override {}
  void UstawTimerPolaczenia(bool) override {}

  void UstawTytul(const String&) override {}
  void UstawPrzyciskStacji(const String&) override {}
  void ZaznaczUlubione(const String&) override {}
  void PokazMenuUlubionych(int) override {}
  void Minimalizuj() override {}

  // The export row: only the gauge is shown, as the progress bar.
  void PokazListeEksportu(bool) override {}
  void UstawListeEksportu(const String&) override {}
  void UstawWysokosc(int) override {}
  void UstawPrzyciskEksportu(const String&) override {}
  void PokazPostepEksportu(bool widoczny, int maksimum) override;
  void UstawPostepEksportu(int pozycja) override;
  void PokazPozostalyCzas(bool) override {}
  void UstawPozostalyCzas(const String&) override {}
  void UstawPodpowiedzOd(const String&) override {}
  void UstawPodpowiedzDo(const String&) override {}
  void UstawPlikEksportu(const String&) override {}
  void ZaproponujFolder(const String&) override {}

  void UstawNaZywo(bool) override {}
  void UstawZatrzymany(bool) override {}

  bool Zapytaj(String&, const String&, const Sprawdzenie&) override { return false; }
  void DoSchowka(const String&) override {}

 private:
  WidokPusty pusty;
  std::function<void(bool)> pokazPostep;
  std::function<void()> postep;
  String status;  // the last status text, lest the same one be logged again
  String dymek;   // the last pop-up's text
};
