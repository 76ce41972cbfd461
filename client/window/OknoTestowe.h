#pragma once
// Test-only: a view that records every call as one line, a player core that records its
// commands and has an inbox the test fills, an export engine the test steers, and the
// window's logic over them with a clock the test holds, in a fixed zone (Warsaw's rules).
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "common/PaczkaAudio.h"
#include "core/RegionalNames.h"
#include "core/TimeZone.h"
#include "intervals/PrzedzialyAudio.h"
#include "player/ListaStacji.h"
#include "support/CzasTestowy.h"
#include "support/TempDir.h"
#include "transport/Paczka2.h"
#include "transport/Protokol.h"
#include "window/LogikaOkna.h"
#include "window/ExporterOkna.h"
#include "window/SterowaniePlayera.h"
#include "window/WidokOkna.h"

namespace okno_testowe {

// Every view of the window, recording.
struct WidokZapisujacy : WidokOkna,
                         WidokStatusu,
                         WidokPolaczenia,
                         WidokStacji,
                         WidokWydarzen,
                         WidokEksportu,
                         WidokOsi,
                         WidokNaZywo,
                         WidokZapytan {
  std::vector<String> zapis;
  String status;
  String dymek;  // empty while hidden
  bool guziczki = true;
  bool zaslona = true;
  bool timer = false;
  int wysokosc = LogikaOkna::kWysokosc;
  String przyciskEksportu = "Eksportuj";
  bool pasek = false;
  int maksimum = 0;
  int pozycja = 0;
  bool pozostaly = false;
  String tekstPozostalego;
  bool listaWydarzen = false;
  String tekstWydarzen;
  bool listaEksportu = false;
  String tekstEksportu;
  std::vector<String> menuWydarzen;
  bool menuWlaczone = false;
  String przyciskWydarzen;
  String tytul = "KorwendoGra";
  Czas czasOsi;
  // What the prompt answers: confirmed with this text, or cancelled when not set.
  bool potwierdz = false;
  String odpowiedz;

  WidokStatusu& Statusu() override { return *this; }
  WidokPolaczenia& Polaczenia() override { return *this; }
  WidokStacji& Stacji() override { return *this; }
  WidokWydarzen& Wydarzen() override { return *this; }
  WidokEksportu& Eksportu() override { return *this; }
  WidokOsi& Osi() override { return *this; }
  WidokNaZywo& NaZywo() override { return *this; }
  WidokZapytan& Zapytan() override { return *this; }

  void Zapisz(const String& s) { zapis.push_back(s); }
  bool Bylo(const String& s) const { return std::find(zapis.begin(), zapis.end(), s) != zapis.end(); }

  void UstawStatus(const String& s) override { status = s; }
  void PokazDymek(const String& s) override { dymek = s; }
  void UkryjDymek() override { dymek.clear(); }
  void UstawGuziczkiFunkcyjne(bool w) override { guziczki = w; }
  void PokazZaslone(bool w) override { zaslona = w; }
  void UstawTimerPolaczenia(bool d) override { timer = d; Zapisz(d ? "timer start" : "timer stop"); }
  void UstawTytul(const String& s) override { tytul = s; }
  void UstawPrzyciskStacji(const String& s) override { Zapisz("stacja " + s); }
  void ZaznaczUlubione(const String& cel) override { Zapisz("ulubione " + cel); }
  void PokazMenuUlubionych(int p) override { Zapisz("menu ulubionych " + std::to_string(p)); }
  void Minimalizuj() override { Zapisz("minimalizuj"); }
  void UstawPrzyciskWydarzen(const String& p) override { przyciskWydarzen = p; }
  void UstawMenuWydarzen(const std::vector<String>& p, bool w) override {
    menuWydarzen = p;
    menuWlaczone = w;
  }
  void PokazListeWydarzen(bool w) override { listaWydarzen = w; }
  void UstawListeWydarzen(const String& t) override { tekstWydarzen = t; }
  void ZmienOstatniaLinieWydarzen(const String& l) override { Zapisz("ostatnia " + l); }
  void PokazListeEksportu(bool w) override { listaEksportu = w; }
  void UstawListeEksportu(const String& t) override { tekstEksportu = t; }
  void UstawWysokosc(int h) override { wysokosc = h; }
  void UstawPrzyciskEksportu(const String& s) override { przyciskEksportu = s; }
  void PokazPostepEksportu(bool w, int m) override {
    pasek = w;
    if (w) {
      maksimum = m;
      pozycja = 0;
    }
  }
  void UstawPostepEksportu(int p) override { pozycja = p; }
  void PokazPozostalyCzas(bool w) override { pozostaly = w; }
  void UstawPozostalyCzas(const String& s) override { tekstPozostalego = s; }
  void UstawPodpowiedzOd(const String& s) override { Zapisz("podpowiedz od " + s); }
  void UstawPodpowiedzDo(const String& s) override { Zapisz("podpowiedz do " + s); }
  String plikEksportu, folder;
  void UstawPlikEksportu(const String& s) override { plikEksportu = s; }
  void ZaproponujFolder(const String& s) override { folder = s; }
  // The check the prompt was given, to be tried by a test.
  Sprawdzenie sprawdzenie;
  bool Zapytaj(String& tekst, const String& tytul_, const Sprawdzenie& sprawdz) override {
    sprawdzenie = sprawdz;
    Zapisz("zapytaj " + tytul_ + ": " + tekst);
    if (!potwierdz) return false;
    tekst = odpowiedz;
    return true;
  }
  void DoSchowka(const String& t) override { schowek = t; }
  String schowek;
  void UstawPrzedzialy(int w, Przedzialy& p) override {
    Zapisz("warstwa " + std::to_string(w) + " = " + std::to_string(p.Count()));
    if (w == 1) warstwa1 = p;
  }
  void AktualizujPrzedzialy(int w, Update<Przedzialy>& u) override {
    Zapisz("warstwa " + std::to_string(w) + " += " + std::to_string(u.plus.Count()) + " -= " +
           std::to_string(u.minus.Count()));
  }
  void UsunWydarzenia() override {}
  void UstawMarkeryWydarzenia(int k, TypMarkerow& m) override {
    Zapisz("markery " + std::to_string(k) + " = " + std::to_string(m.Ile()));
  }
  void AktualizujMarkeryWydarzenia(int k, Update<TypMarkerow>& u) override {
    Zapisz("markery " + std::to_string(k) + " += " + std::to_string(u.plus.Ile()));
  }
  void AktualizujMarkery(int typ, Update<TypMarkerow>& u) override {
    Zapisz("znacznik " + std::to_string(typ) + " += " + std::to_string(u.plus.Ile()));
  }
  void UstawOd(Czas) override { Zapisz("od"); }
  void UstawDo(Czas) override { Zapisz("do"); }
  Czas CzasOsi() override { return czasOsi; }
  Przedzialy warstwa1;

  // The live edge: the indicator as last set.
  bool naZywo = false;
  void UstawNaZywo(bool w) override {
    naZywo = w;
    Zapisz(w ? "na zywo" : "nie na zywo");
  }
  // The stopped state as last shown (not recorded: it is set from the tick).
  std::optional<bool> zatrzymany;
  void UstawZatrzymany(bool z) override { zatrzymany = z; }
  // The speed as last shown, in quarters (not recorded: it is set from the tick too).
  std::optional<int> predkosc;
  void UstawPredkosc(int c) override { predkosc = c; }
};

struct PlayerZapisujacy : SterowaniePlayera {
  std::vector<String> zapis;
  Czas czasGry;
  String stacja = "Zegar";
  String adres = "127.0.0.1:12540";
  ThreadSafeBuffer skrzynka;

  void Graj() override {
    zapis.push_back("graj");
    zatrzymany = false;
  }
  void Stop() override {
    zapis.push_back("stop");
    zatrzymany = true;
  }
  bool zatrzymany = false;
  bool Zatrzymany() override { return zatrzymany; }
  void UstawPozycje(Czas t) override { zapis.push_back("pozycja " + t.NapisHex()); }
  void ZmienStacje(const String& cel) override { zapis.push_back("zmienstacje " + cel); }
  void ZmienStacje(const String& cel, Czas t) override {
    zapis.push_back("zmienstacje " + cel + " " + t.NapisHex());
  }
  void GrajIwenty(const String& r) override { zapis.push_back("grajiwenty " + r); }
  void GrajWszystko() override { zapis.push_back("grajwszystko"); }
  void WyslijString(const String& s) override { zapis.push_back("wyslij " + s); }
  void Wyslij(Paczka2& p) override { zapis.push_back("wyslij paczke " + p.Nazwa); }
  Czas CzasGry() override { return czasGry; }
  // The speed in force: set only by UstawPredkosc, which is recorded.
  int predkosc = 4;
  void UstawPredkosc(int c) override {
    zapis.push_back("predkosc " + std::to_string(c));
    predkosc = c;
  }
  int Predkosc() override { return predkosc; }
  Czas OdswiezCzas() override { return czasGry; }
  String DajStacje() override { return stacja; }
  String Adres() override { return adres; }
  ThreadSafeBuffer& Skrzynka() override { return skrzynka; }
  // Puts a packet into the inbox as the player core does.
  void Wrzuc(const Paczka2& p) { p.Wyslij(skrzynka); }
};

struct EksporterTestowy : ExporterOkna {
  bool zgoda = true;  // Start succeeds (the user chose a file)
  bool trwa = false;
  int paczek = 0;
  int konczy = 0;
  bool IsExporting() override { return trwa; }
  bool Start(Przedzialy&) override {
    trwa = zgoda;
    return zgoda;
  }
  void AddPacket(PaczkaAudio&) override { ++paczek; }
  void Finish() override {
    ++konczy;
    trwa = false;
  }
  std::vector<String> pliki{"/tmp/fala.wav"};
  std::vector<String> Pliki() const override { return pliki; }
};

// The station's recordings `p` as the server announces them ("" whole, "update+", "update-").
inline Paczka2 Audio(const Przedzialy& p, const String& opis) {
  PrzedzialyAudio kopia(p);
  return Paczka2(kopia, opis);
}

// A PCM export packet of `sekundy` seconds.
inline Paczka2 Eksport(int sekundy) {
  PaczkaAudio a;
  a.czas = Utc(2026, 12, 10, 10, 0);
  a.format = "8000 mono 128 PCM";
  a.dane.SetSize(16000 * sekundy);
  return Paczka2(a, protokol::kOpisEksport);
}

class Okno : public ::testing::Test {
 protected:
  explicit Okno(bool diagnostyka = false) {
    TimeZone::Reset(TimeZone::ZRegulyPosix("CET-1CEST,M3.5.0,M10.5.0/3"));
    RegionalNames n = RegionalNames::Biezace();
    n.miesiace = {"stycznia", "lutego", "marca", "kwietnia", "maja", "czerwca",
                  "lipca", "sierpnia", "września", "października", "listopada", "grudnia"};
    n.miesiaceSkrocone = {"sty", "lut", "mar", "kwi", "maj", "cze", "lip", "sie", "wrz", "paź", "lis", "gru"};
    RegionalNames::Ustaw(n);
    LogikaOkna::Ustawienia u;
    u.diagnostyka = diagnostyka;
    u.zegar = [this] { return teraz; };
    logika = std::make_unique<LogikaOkna>(widok, player, lista, &eksporter, u);
  }
  ~Okno() override {
    TimeZone::Reset();
    RegionalNames::Reset();
  }

  Czas teraz = Utc(2026, 12, 10, 12, 0);
  TempDir katalog;
  ListaStacji lista{katalog.Path()};
  WidokZapisujacy widok;
  PlayerZapisujacy player;
  EksporterTestowy eksporter;
  std::unique_ptr<LogikaOkna> logika;
};

}  // namespace okno_testowe
