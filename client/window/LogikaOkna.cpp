#include "window/LogikaOkna.h"

#include "common/Update.h"
#include "core/CallTrace.h"
#include "core/Exception.h"
#include "core/Log.h"
#include "core/Parser.h"
#include "intervals/PrzedzialyAudio.h"
#include "player/ListaStacji.h"
#include "player/PowiadomieniaPlayera.h"
#include "transport/CelStacji.h"
#include "transport/Protokol.h"
#include "window/Ponawianie.h"
#include "window/SterowaniePlayera.h"
#include "window/WidokOkna.h"

namespace {
const String q = "\"";
}  // namespace

LogikaOkna::LogikaOkna(WidokOkna& w, SterowaniePlayera& p, ListaStacji& l, ExporterOkna* eksport,
                       Ustawienia u)
    : widok(w),
      player(p),
      lista(l),
      zegar(u.zegar ? std::move(u.zegar) : std::function<Czas()>(&Czas::Teraz)),
      bladSerwera(std::move(u.bladSerwera)),
      stacjaPrzyjeta(std::move(u.stacjaPrzyjeta)),
      archiwum(std::move(u.archiwum)),
      koniecEksportu(std::move(u.koniecEksportu)),
      linia(w.Statusu(), zegar, u.diagnostyka),
      listaEksportu(w.Eksportu(), w.Osi(), p, eksport, linia, zegar),
      wydarzenia(w.Wydarzen(), w.Osi(), p, linia, listaEksportu, przedzialyAudio),
      predkosc(w.NaZywo(), p, l),
      krawedz(w.NaZywo(), p, linia, wydarzenia, predkosc, przedzialyAudio),
      zakladki(w.Zapytan(), p, l),
      skok(w.Zapytan(), p, linia) {
  KG_TRACE("LogikaOkna::LogikaOkna(WidokOkna& w, SterowaniePlayera& p, ListaStacji& l, ExporterOkna* eksport, Ustawienia u)");
}

void LogikaOkna::Tick() {
  KG_TRACE("LogikaOkna::Tick()");
  Odbierz();
  const Czas t = player.OdswiezCzas();
  lista.UstawStartCzas(t);
  wydarzenia.DzienPozycji(t);
  krawedz.Sprawdz(t);
  predkosc.Sprawdz();
  const bool stoi = player.Zatrzymany();
  if (stoi != pokazanyStop) {
    pokazanyStop = stoi;
    widok.NaZywo().UstawZatrzymany(stoi);
  }
  linia.Tick();
}

bool LogikaOkna::Odbierz() {
  KG_TRACE("LogikaOkna::Odbierz()");
  for (int n = 0; n < kPaczekNaRaz; ++n) {
    if (!paczka.Wczytaj(player.Skrzynka())) return false;
    const String& opis = paczka.Opis;
    if (opis == protokol::kOpisPrzyszlo || opis == protokol::kOpisStatus) {
      linia.BardzoLadnyPrint(paczka.DajString());
    } else if (opis == protokol::kOpisLadnyPrint || opis == protokol::kOpisPrint) {
      linia.LadnyPrint(paczka.DajString());
    } else if (opis == protokol::kOpisEksport) {
      listaEksportu.PaczkaEksportu(paczka);
      // Writing export audio is the slow case: one packet per tick.
      return true;
    } else if (opis == protokol::kOpisInitIwentow) {
      wydarzenia.Baza(paczka, true);
    } else if (opis == protokol::kOpisUpdateIwentow) {
      wydarzenia.Baza(paczka, false);
    } else if (paczka.Nazwa == protokol::kString) {
      const String s = paczka.DajString();
      if (!opis.empty() && opis != protokol::kOpisDebug) {
        linia.DebugPrint("Nieznany string " + q + s + q + " z opisem " + q + opis + q);
      }
      Process(s);
    } else if (paczka.Nazwa == protokol::kPrzedzialyAudio) {
      Audio(paczka);
    } else {
      linia.DebugPrint("error Nieznana paczka: " + q + paczka.Nazwa + q + " z opisem " + q + opis + q);
    }
  }
  return true;
}

void LogikaOkna::Audio(Paczka2& p) {
  KG_TRACE("LogikaOkna::Audio(Paczka2& p)");
  ::PrzedzialyAudio a;
  p.Wyjmij(a);
  if (p.Opis.empty()) {
    przedzialyAudio = a;
    widok.Osi().UstawPrzedzialy(0, przedzialyAudio);
  } else if (p.Opis == protokol::kOpisUpdatePlus) {
    przedzialyAudio.Add(a);
    Update<Przedzialy> u;
    u.plus = a;
    widok.Osi().AktualizujPrzedzialy(0, u);
  } else if (p.Opis == protokol::kOpisUpdateMinus) {
    przedzialyAudio.Remove(a);
    Update<Przedzialy> u;
    u.minus = a;
    widok.Osi().AktualizujPrzedzialy(0, u);
  } else {
    KG_ERROR("nieznany opis przedzialow audio " + p.Opis);
  }
  wydarzenia.Nagrania(a, p.Opis.empty());
  if (archiwum && przedzialyAudio.Count() > 0) archiwum(Archiwum::Nagrania);
}

void LogikaOkna::Process(const String& s) {
  KG_TRACE("LogikaOkna::Process(const String& s)");
  Parser parser(s);
  const String komenda = parser.Getword();
  if (komenda == protokol::kKoniecEksportu) {
    listaEksportu.KoniecEksportu();
    if (koniecEksportu) koniecEksportu();
  } else if (komenda == protokol::kSetKolorZnacznik) {
    if (!linia.Diagnostyka()) return;
    const String kolor = parser.Getword();
    const String czas = parser.Getword();
    if (kolor.empty() || kolor.find_first_not_of("0123456789abcdefABCDEF") != String::npos) {
      KG_ERROR("bledny kolor znacznika " + kolor);
    }
    Update<TypMarkerow> u;
    u.plus.Dodaj(Czas::ZNapisuHex(czas));
    widok.Osi().AktualizujMarkery(0, u);
  } else if (komenda == protokol::kTerazGramy) {
    const String stacja = parser.GetRest();
    TerazGramy(stacja);
    if (stacjaPrzyjeta) stacjaPrzyjeta(stacja);
  } else if (komenda == protokol::kEmpty) {
    linia.BardzoLadnyPrint("Baza " + q + parser.GetRest() + q + " jest pusta.");
    if (archiwum) archiwum(Archiwum::Pusta);
  } else if (komenda == protokol::kBusy) {
    linia.BardzoLadnyPrint("Baza " + q + parser.GetRest() + q + " jest chwilowo niedostępna.");
    if (archiwum) archiwum(Archiwum::Zajete);
  } else if (komenda == protokol::kError) {
    BladSerwera(parser.GetRest());
  } else {
    linia.DebugPrint("error Nieznana komenda " + q + s + q);
  }
}

void LogikaOkna::TerazGramy(const String& stacja) {
  KG_TRACE("LogikaOkna::TerazGramy(const String& stacja)");
  const String cel = CelStacji{stacja, ReadServerAddress(player.Adres()).address}.Napis();
  lista.UstawStartNazwa(cel);
  widok.Stacji().UstawPrzyciskStacji(stacja);
  widok.Stacji().ZaznaczUlubione(cel);
  widok.Stacji().UstawTytul("KorwendoGra - " + stacja);
  // A station the user picks (from the menu, a favourite, a bookmark, a link) plays: the
  // engine starts stopped, and nothing else would start it. One that the user stopped
  // stays stopped across a change of station.
  if (!zatrzymanePrzezUzytkownika && player.Zatrzymany()) player.Graj();
  wydarzenia.NowaStacja();
}

void LogikaOkna::BladSerwera(const String& blad) {
  KG_TRACE("LogikaOkna::BladSerwera(const String& blad)");
  linia.DebugPrint("Serwer zwrocil blad: " + blad);
  // A station or a moment refused, or any other error of the server, is the user's to
  // know: a favourite of a station gone must not fail in silence.
  linia.BardzoLadnyPrint("Serwer odmówił: " + blad);
  if (bladSerwera) bladSerwera(blad);
}

void LogikaOkna::Powiadomienie(ZdarzeniePolaczenia z) {
  KG_TRACE("LogikaOkna::Powiadomienie(ZdarzeniePolaczenia z)");
  switch (z) {
    case ZdarzeniePolaczenia::Polaczony:
      widok.Polaczenia().UstawGuziczkiFunkcyjne(true);
      widok.Polaczenia().UstawTimerPolaczenia(false);
      widok.Polaczenia().PokazZaslone(false);
      // A connection that comes back: the station lists (emptied by the failed queries)
      // and the favourites' lamps are asked for at once, not at the next refresh.
      if (rozlaczony) lista.PobierzListeStacji();
      rozlaczony = false;
      break;
    case ZdarzeniePolaczenia::Zerwany:
      listaEksportu.Rozlaczono();
      widok.Polaczenia().UstawGuziczkiFunkcyjne(false);
      linia.BardzoLadnyPrint("Rozłączony");
      widok.Polaczenia().PokazZaslone(true);
      lista.PobierzListeStacji();
      rozlaczony = true;
      break;
    case ZdarzeniePolaczenia::Nieudany:
    case ZdarzeniePolaczenia::NieZnalezionoHosta:
      linia.BardzoLadnyPrint(z == ZdarzeniePolaczenia::NieZnalezionoHosta ? "Nie znaleziono serwera " + player.Adres()
                                                                          : String("Błąd połączenia"));
      widok.Polaczenia().UstawGuziczkiFunkcyjne(false);
      widok.Polaczenia().PokazZaslone(true);
      rozlaczony = true;
      break;
    case ZdarzeniePolaczenia::Laczenie:
      widok.Polaczenia().PokazZaslone(true);
      widok.Stacji().UstawTytul("KorwendoGra");
      widok.Stacji().ZaznaczUlubione(String());
      break;
  }
  if (ponawianie::PonowPo(z)) widok.Polaczenia().UstawTimerPolaczenia(true);
  krawedz.Powiadomienie(z);
}

void LogikaOkna::Timer1() {
  KG_TRACE("LogikaOkna::Timer1()");
  widok.Polaczenia().UstawTimerPolaczenia(false);
  player.ZmienStacje(CelStacji{player.DajStacje(), ReadServerAddress(player.Adres()).address}.Napis());
}

bool LogikaOkna::Wykonaj(Polecenie p) {
  KG_TRACE("LogikaOkna::Wykonaj(Polecenie p)");
  const auto przesun = [this](Roznica o) { player.UstawPozycje(player.CzasGry() + o); };
  switch (p) {
    case Polecenie::Graj:
      player.Graj();
      zatrzymanePrzezUzytkownika = false;
      return false;
    case Polecenie::Stop:
      player.Stop();
      zatrzymanePrzezUzytkownika = true;
      return false;
    case Polecenie::Wstecz5s:
      przesun(-(Roznica::Sekunda * 5));
      return true;
    case Polecenie::Naprzod5s:
      przesun(Roznica::Sekunda * 5);
      return true;
    case Polecenie::Wstecz1min:
      przesun(-Roznica::Minuta);
      return true;
    case Polecenie::Naprzod1min:
      przesun(Roznica::Minuta);
      return true;
    case Polecenie::Wstecz1h:
      przesun(-Roznica::Godzina);
      return true;
    case Polecenie::Naprzod1h:
      przesun(Roznica::Godzina);
      return true;
    case Polecenie::Ulubiona1:
    case Polecenie::Ulubiona2:
    case Polecenie::Ulubiona3:
    case Polecenie::Ulubiona4:
      KliknietoUlubiona(static_cast<int>(p) - static_cast<int>(Polecenie::Ulubiona1));
      return true;
    case Polecenie::Minimalizuj:
      widok.Stacji().Minimalizuj();
      return true;
    case Polecenie::NaZywo:
      krawedz.NaZywo();
      return true;
    case Polecenie::PrzejdzDo:
      skok.PrzejdzDo();
      return true;
    case Polecenie::KopiujLink:
      skok.KopiujLink();
      return true;
    case Polecenie::Wolniej:
      predkosc.Wolniej();
      return true;
    case Polecenie::Szybciej:
      predkosc.Szybciej();
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
    widok.Stacji().PokazMenuUlubionych(przycisk);
  }
}
