#pragma once
// The events, the export and the axis of a program that shows none of them (the headless
// player): the window's logic still keeps their state, and nothing is shown. The axis's
// time is the given one (the time being heard), so that marking still means something.
// Thread of its user.
#include <functional>
#include <vector>

#include "window/WidokEksportu.h"
#include "window/WidokOsi.h"
#include "window/WidokWydarzen.h"

class WidokPusty : public WidokWydarzen, public WidokEksportu, public WidokOsi {
 public:
  // `czas` gives the axis's time; Czas() when empty.
  explicit WidokPusty(std::function<Czas()> czas = {}) : czas_(std::move(czas)) {}

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
  void UstawPlikEksportu(const String&) override {}
  void ZaproponujFolder(const String&) override {}

  void UstawPrzedzialy(int, Przedzialy&) override {}
  void AktualizujPrzedzialy(int, Update<Przedzialy>&) override {}
  void UsunWydarzenia() override {}
  void UstawMarkeryWydarzenia(int, TypMarkerow&) override {}
  void AktualizujMarkeryWydarzenia(int, Update<TypMarkerow>&) override {}
  void AktualizujMarkery(int, Update<TypMarkerow>&) override {}
  void UstawOd(Czas) override {}
  void UstawDo(Czas) override {}
  Czas CzasOsi() override { return czas_ ? czas_() : Czas(); }

 private:
  std::function<Czas()> czas_;
};
