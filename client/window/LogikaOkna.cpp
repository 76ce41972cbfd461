// The inbox, the text commands, the status line, the connection states and the keyboard.
// The event selection is in LogikaOknaWydarzenia.cpp, the export and the bookmarks in
// LogikaOknaEksport.cpp.
#include "window/LogikaOkna.h"

#include "common/Update.h"
#include "core/CallTrace.h"
#include "core/Exception.h"
#include "core/Log.h"
#include "core/Parser.h"
#include "intervals/PrzedzialyAudio.h"
#include "player/ListaStacji.h"
#include "player/PowiadomieniaPlayera.h"
#include "transport/Protokol.h"
#include "window/Ponawianie.h"
#include "window/SterowaniePlayera.h"
#include "window/WidokOkna.h"

namespace {
const String q = "\"";
}  // namespace

LogikaOkna::LogikaOkna(WidokOkna& w, SterowaniePlayera& p, ListaStacji& l, SilnikEksportu* eksport,
                       Ustawienia u)
    : widok(w),
      player(p),
      lista(l),
      exporter(eksport),
      diagnostyka(u.diagnostyka),
      zegar(u.zegar ? std::move(u.zegar) : std::function<Czas()>(&Czas::Teraz)),
      bladSerwera(std::move(u.bladSerwera)) {
  KG_TRACE("LogikaOkna::LogikaOkna(WidokOkna& w, SterowaniePlayera& p, ListaStacji& l, SilnikEksportu* eksport, Ustawienia u)");
}

Czas LogikaOkna::Teraz() const { return zegar(); }

void LogikaOkna::LadnyPrint(const String& s) {
  KG_TRACE("LogikaOkna::LadnyPrint(const String& s)");
  status = s;
  widok.UstawStatus(s);
  koniecStatusu = Teraz() + Roznica::Sekunda * 12;
}

void LogikaOkna::LadnyPrint5s(const String& s) {
  KG_TRACE("LogikaOkna::LadnyPrint5s(const String& s)");
  status = s;
  widok.UstawStatus(s);
  koniecStatusu = Teraz() + Roznica::Sekunda * 3;
}

void LogikaOkna::BardzoLadnyPrint(const String& s) {
  KG_TRACE("LogikaOkna::BardzoLadnyPrint(const String& s)");
  if (s.empty()) {
    widok.UkryjDymek();
    dymek = false;
  } else {
    koniecDymka = Teraz() + Roznica::Sekunda * 3;
    widok.PokazDymek(s);
    dymek = true;
    Log(0, s, KG_WHERE);
  }
  LadnyPrint(s);
}

void LogikaOkna::DebugPrint(const String& s) {
  KG_TRACE("LogikaOkna::DebugPrint(const String& s)");
  if (diagnostyka) LadnyPrint(s);
  Log(1, s, KG_WHERE);
}

void LogikaOkna::Tick() {
  KG_TRACE("LogikaOkna::Tick()");
  Odbierz();
  const Czas t = player.OdswiezCzas();
  lista.UstawStartCzas(t);
  DzienPozycji(t);
  SprawdzNaZywo(t);
  const Czas teraz = Teraz();
  if (!status.empty() && teraz > koniecStatusu) {
    status.clear();
    widok.UstawStatus(status);
  }
  if (dymek && teraz > koniecDymka) {
    dymek = false;
    widok.UkryjDymek();
  }
}

void LogikaOkna::Odbierz() {
  KG_TRACE("LogikaOkna::Odbierz()");
  while (paczka.Wczytaj(player.Skrzynka())) {
    const String& opis = paczka.Opis;
    if (opis == protokol::kOpisPrzyszlo || opis == protokol::kOpisStatus) {
      BardzoLadnyPrint(paczka.DajString());
    } else if (opis == protokol::kOpisLadnyPrint || opis == protokol::kOpisPrint) {
      LadnyPrint(paczka.DajString());
    } else if (opis == protokol::kOpisEksport) {
      PaczkaEksportu(paczka);
      // Writing export audio is the slow case: one packet per tick.
      return;
    } else if (opis == protokol::kOpisInitIwentow) {
      Wydarzenia(paczka, true);
    } else if (opis == protokol::kOpisUpdateIwentow) {
      Wydarzenia(paczka, false);
    } else if (paczka.Nazwa == protokol::kString) {
      const String s = paczka.DajString();
      if (!opis.empty() && opis != protokol::kOpisDebug) {
        DebugPrint("Nieznany string " + q + s + q + " z opisem " + q + opis + q);
      }
      Process(s);
    } else if (paczka.Nazwa == protokol::kPrzedzialyAudio) {
      Audio(paczka);
    } else {
      DebugPrint("error Nieznana paczka: " + q + paczka.Nazwa + q + " z opisem " + q + opis + q);
    }
  }
}

void LogikaOkna::Audio(Paczka2& p) {
  KG_TRACE("LogikaOkna::Audio(Paczka2& p)");
  ::PrzedzialyAudio a;
  p.Wyjmij(a);
  if (p.Opis.empty()) {
    przedzialyAudio = a;
    widok.UstawPrzedzialy(0, przedzialyAudio);
  } else if (p.Opis == protokol::kOpisUpdatePlus) {
    przedzialyAudio.Add(a);
    Update<Przedzialy> u;
    u.plus = a;
    widok.AktualizujPrzedzialy(0, u);
  } else if (p.Opis == protokol::kOpisUpdateMinus) {
    przedzialyAudio.Remove(a);
    Update<Przedzialy> u;
    u.minus = a;
    widok.AktualizujPrzedzialy(0, u);
  } else {
    KG_ERROR("nieznany opis przedzialow audio " + p.Opis);
  }
  // The events shown are the family's events that were recorded: recordings that reach an
  // event chosen (one being recorded now, or a backlog catching up) change the list.
  if (p.Opis.empty() ? !wybraneRodziny.empty() : DotykaWybranychRodzin(a)) OdswiezWydarzenia();
}

void LogikaOkna::Process(const String& s) {
  KG_TRACE("LogikaOkna::Process(String s)");
  Parser parser(s);
  const String komenda = parser.Getword();
  if (komenda == protokol::kKoniecEksportu) {
    KoniecEksportu();
  } else if (komenda == protokol::kSetKolorZnacznik) {
    if (!diagnostyka) return;
    const String kolor = parser.Getword();
    const String czas = parser.Getword();
    if (kolor.empty() || kolor.find_first_not_of("0123456789abcdefABCDEF") != String::npos) {
      KG_ERROR("bledny kolor znacznika " + kolor);
    }
    Update<TypMarkerow> u;
    u.plus.Dodaj(Czas::ZNapisuHex(czas));
    widok.AktualizujMarkery(0, u);
  } else if (komenda == protokol::kTerazGramy) {
    TerazGramy(parser.GetRest());
  } else if (komenda == protokol::kEmpty) {
    BardzoLadnyPrint("Baza " + q + parser.GetRest() + q + " jest pusta.");
  } else if (komenda == protokol::kBusy) {
    BardzoLadnyPrint("Baza " + q + parser.GetRest() + q + " jest chwilowo niedostępna.");
  } else if (komenda == protokol::kError) {
    BladSerwera(parser.GetRest());
  } else {
    DebugPrint("error Nieznana komenda " + q + s + q);
  }
}

void LogikaOkna::TerazGramy(const String& stacja) {
  KG_TRACE("LogikaOkna::TerazGramy(const String& stacja)");
  const String cel = stacja + "@" + player.Adres();
  lista.UstawStartNazwa(cel);
  widok.UstawPrzyciskStacji(stacja);
  widok.ZaznaczUlubione(cel);
  widok.UstawTytul("KorwendoGra - " + stacja);
  widok.UstawPrzyciskWydarzen("Cały program");
  widok.PokazListeWydarzen(false);
  wybraneRodziny.clear();
  OdswiezWydarzenia();
}

void LogikaOkna::BladSerwera(const String& blad) {
  KG_TRACE("LogikaOkna::BladSerwera(const String& blad)");
  DebugPrint("Serwer zwrocil blad: " + blad);
  if (bladSerwera) bladSerwera(blad);
}

void LogikaOkna::Powiadomienie(int komunikat, uintptr_t wParam) {
  KG_TRACE("LogikaOkna::Powiadomienie(int komunikat, uintptr_t wParam)");
  switch (komunikat) {
    case WM_PLAYER_POLACZONY:
      widok.UstawGuziczkiFunkcyjne(true);
      widok.UstawTimerPolaczenia(false);
      widok.PokazZaslone(false);
      break;
    case WM_PLAYER_ZERWANY:
      widok.UstawPrzyciskEksportu("Eksportuj");
      // The list goes, and with it the axis's layer that shows it.
      doEksportu.Clear();
      PokazEksport();
      widok.UstawGuziczkiFunkcyjne(false);
      BardzoLadnyPrint("Rozłączony");
      widok.PokazZaslone(true);
      lista.PobierzListeStacji();
      break;
    case WM_PLAYER_NIEUDANY:
      BardzoLadnyPrint(wParam == 1 ? "Nie znaleziono serwera " + player.Adres() : String("Błąd połączenia"));
      widok.UstawGuziczkiFunkcyjne(false);
      widok.PokazZaslone(true);
      break;
    case WM_PLAYER_LACZENIE:
      widok.PokazZaslone(true);
      widok.UstawTytul("KorwendoGra");
      widok.ZaznaczUlubione(String());
      break;
    default:
      DebugPrint("error Nieznany komunikat " + OpisPowiadomienia(komunikat, wParam));
      break;
  }
  if (ponawianie::PonowPo(komunikat, wParam)) widok.UstawTimerPolaczenia(true);
  PolaczenieNaZywo(komunikat);
}

void LogikaOkna::Timer1() {
  KG_TRACE("LogikaOkna::Timer1()");
  widok.UstawTimerPolaczenia(false);
  player.ZmienStacje(player.DajStacje() + "@" + player.Adres());
}

bool LogikaOkna::Klawisz(int vk) {
  KG_TRACE("LogikaOkna::Klawisz(int vk)");
  static const struct {
    int klawisz;
    Roznica przesuniecie;
  } kPrzesuniecia[] = {
      {kNum1, -(Roznica::Sekunda * 5)}, {kNum3, Roznica::Sekunda * 5},
      {kNum4, -Roznica::Minuta},        {kNum6, Roznica::Minuta},
      {kNum7, -Roznica::Godzina},       {kNum9, Roznica::Godzina},
  };
  if (vk == kF4 || vk == kNum0) {
    player.Graj();
    return false;
  }
  if (vk == kNumKropka) {
    player.Stop();
    return false;
  }
  for (const auto& p : kPrzesuniecia) {
    if (p.klawisz == vk) {
      player.UstawPozycje(player.CzasGry() + p.przesuniecie);
      return true;
    }
  }
  if (vk == kEsc) {
    widok.Minimalizuj();
    return true;
  }
  if (vk == kEnd) {
    NaZywo();
    return true;
  }
  if (vk >= kF5 && vk <= kF8) {
    KliknietoUlubiona(vk - kF5);
    return true;
  }
  return false;
}

void LogikaOkna::KliknietoUlubiona(int przycisk) {
  KG_TRACE("LogikaOkna::KliknietoUlubiona(int przycisk)");
  const String& cel = lista.Ulubione().at(static_cast<size_t>(przycisk)).podpowiedz;
  if (!cel.empty()) {
    player.ZmienStacje(cel);
  } else {
    widok.PokazMenuUlubionych(przycisk);
  }
}
