#pragma once
// Local calendar months: from the local midnight of a month's first day to that of the
// next month's, labelled with the month's name and year ("grudzień 2003"); 480 pixels to
// a nominal 28-day unit. Local time is the project's (Czas::Lokalny) with the bias in
// force at each month's start, so the boundaries agree with the digit panels in summer and
// in winter alike.
#include "display/Wyszukiwacz.h"

class Miesiace : public Wyszukiwacz {
 public:
  // The local month name (standalone form) and four-digit year of `poczatek` + 1 day.
  String Napis() override;
  // 28 days.
  Roznica Dlugosc() override;
  // `poczatek` = the first instant of t's local month; the month is kept.
  void Ustaw(Czas t) override;
  // The kept month + 1 (December to January of the next year).
  void Nastepny() override;
  std::unique_ptr<Wyszukiwacz> Nowy() override;
  // 28 days / 480.
  Roznica Piksel() override { return Dlugosc() / 480; }
  // "Miesiąc".
  String Nazwa() override;

 private:
  void Przelicz();

  int64_t rok = 1601;
  int miesiac = 1;
};
