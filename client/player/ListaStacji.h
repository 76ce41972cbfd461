#pragma once
// The station list: the archive servers, the stations each of them records (learnt by a
// short query per server), the favourite buttons, the bookmarks, the position to resume
// at and the station filter of the menus. Everything ends as a call of the player core's
// ZmienStacje with a target text, station name + "@" + host + ":" + port.
//
// The settings live in two files of one settings directory, read and written there
// alike: KorwendoGra.ini (the server list) and KorwendoGraU.ini (the user's favourites,
// resume position, bookmarks and filter; while it is missing, these are read from
// KorwendoGra.ini). Both are Windows-1250 with CR LF lines, rewritten whole and replaced
// atomically on every save.
//
// The window shows what this class holds as data: the favourites' captions, hints and
// lamps (Ulubione), and the menus' items (the UstawMenu... operations), whose actions it
// runs when the user chooses them.
//
// Threads: one, the window's (GUI) thread, which must run a Qt event loop: the query
// sockets belong to it and report there. The player core is only called, never calls back.
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "core/Czas.h"
#include "core/String.h"
#include "transport/ServerAddress.h"

class EsencjaPlayera;
class PlikIni;
struct Konekt;

// The client's view of the servers and their stations; the archive server's own classes
// of the same names are in namespace serwer.
namespace klient {

// One archive server.
struct Serwer {
  String adres;  // host name or numeric address (an IPv6 one without brackets)
  int port = ServerAddress::kDefaultPort;
  bool dostepny = false;  // the last station query succeeded
  // adres + ":" + port, an IPv6 address in brackets: the server part of a target text.
  String Adres() const;
};

// One station on one server (not owned). Two are the same when name and server are.
struct Stacja {
  String nazwa;
  Serwer* serwer = nullptr;
  // nazwa + "@" + serwer->Adres().
  String Cel() const;
};

}  // namespace klient

struct Zakladka {
  String opis;    // shown in the bookmark menus
  String stacja;  // the target text to play
  Czas czas;      // the moment to play from
};

// One favourite button as the window shows it. An empty hint means unassigned.
struct Ulubiona {
  enum Lampka {
    Zadna,     // not shown yet
    Zielona,   // the station is on a server that answered: green lamp, bold caption
    Czerwona,  // it is not: red lamp, normal caption
  };
  String podpis;      // the caption: the station name
  String podpowiedz;  // the hint: the target text
  Lampka lampka = Zadna;
};

// One item of a menu.
struct PozycjaMenu {
  String podpis;
  String podpowiedz;
  int tag = -1;
  // When not empty, the window asks this yes/no question under the title first and runs
  // the action only on yes.
  String pytanie;
  String tytulPytania;
  // What choosing the item does; valid while the list exists.
  std::function<void()> akcja;
};

class ListaStacji {
 public:
  using Serwer = klient::Serwer;
  using Stacja = klient::Stacja;

  static constexpr int IleUlubionych = 4;
  static constexpr int MaksZakladek = 128;
  static constexpr int DomyslnyPort = ServerAddress::kDefaultPort;
  static constexpr const char* PlikSerwerow = "KorwendoGra.ini";
  static constexpr const char* PlikUzytkownika = "KorwendoGraU.ini";

  // Empty lists, four unassigned favourites, no player core; the settings files live in
  // `katalog` (made when first saved).
  explicit ListaStacji(String katalog);
  // Saves (a failure is logged) when the settings were read, then closes every query. A
  // list that never read them (the window failed on its way up) must not wipe them.
  ~ListaStacji();
  ListaStacji(const ListaStacji&) = delete;
  ListaStacji& operator=(const ListaStacji&) = delete;

  // The player core that stations, bookmarks and the resume position are played on (not
  // owned; null: choosing them does nothing).
  void UstawPlayera(EsencjaPlayera* p) { player = p; }
  // Called whenever the favourites' captions, hints or lamps may have changed.
  void UstawPoZmianie(std::function<void()> f) { poZmianie = std::move(f); }

  // Reads both files and resumes playing at the saved position (a target that cannot be
  // played is logged). Reading is tolerant: a malformed time drops only its own entry, with
  // a warning; a server value is read as ServerAddress reads it, a wrong port giving the
  // default one and a value that names no host being left out, each with a warning;
  // missing files leave the lists empty.
  void OdczytajListeSerwerow();
  // Writes both files. Raises when a file cannot be written; the old one then stays. A file
  // that existed but could not be read at OdczytajListeSerwerow is left alone (logged), so
  // that settings that were never read are never overwritten.
  void ZapiszListeSerwerow();

  // Appends a server, not available.
  void DodajSerwer(String adres, int port);
  // The servers become `adresy` (each as ServerAddress reads it), in that order: a server
  // kept keeps its stations, the others' stations go. The files are written at once and
  // every server is asked for its stations. Raises for an address it cannot read (nothing
  // changed then).
  void UstawSerwery(const std::vector<String>& adresy);
  // Asks every server for its stations, all at once, without waiting; a query still open
  // on a server is closed and started again. Answers arrive on the event loop.
  void PobierzListeStacji();
  // Adds (nazwa, serwer) unless it is known; either way the server is available.
  void DodajStacje(String nazwa, Serwer* serwer);
  // Sets the lamp of every assigned favourite: green when its target is a known station,
  // else red; then tells the window.
  void WyswietlListeStacji();

  // Appends a bookmark.
  void DodajZakladke(Czas czas, String opis, String stacja);
  // Plays bookmark a / removes it (the later ones move up). Both raise "a<0||a>=c" for an
  // index outside the list.
  void ZagrajZakladke(int a);
  void UsunZakladke(int a);

  // The items of the menus. The station menus sort the stations by name (in the byte
  // order of their Windows-1250 form) and offer those that pass the filter.
  // Assigning favourite button `przycisk`: captioned with the target texts.
  std::vector<PozycjaMenu> UstawMenuUlubionych(int przycisk);
  // Playing a station: captioned with the names, the target text as the hint.
  std::vector<PozycjaMenu> UstawMenuStacji();
  // Playing a bookmark, and removing one (asking first), captioned with the descriptions.
  std::vector<PozycjaMenu> UstawMenuZakladek();
  std::vector<PozycjaMenu> UstawMenuUsuwania();
  // Assigns the target `cel` to favourite button `przycisk`, saves and refreshes the lamps.
  // Raises "przycisk<0||przycisk>=IleUlubionych" for a button that does not exist, and what
  // saving raises.
  void ContextClick(int przycisk, const String& cel);

  const std::vector<Ulubiona>& Ulubione() const { return ulubione; }
  const std::vector<Stacja>& Stacje() const { return stacje; }
  const std::vector<Zakladka>& Zakladki() const { return zakladki; }
  int IleSerwerow() const { return static_cast<int>(serwery.size()); }
  const Serwer& DajSerwer(int i) const { return *serwery.at(static_cast<size_t>(i)); }
  Serwer& DajSerwer(int i) { return *serwery.at(static_cast<size_t>(i)); }
  // True while a query to server i is in progress.
  bool Aktywny(int i) const;

  // The target text being played and the position to resume at, as the window keeps them.
  void UstawStartNazwa(const String& s) { startNazwa = s; }
  void UstawStartCzas(Czas c) { startCzas = c; }
  const String& StartNazwa() const { return startNazwa; }
  Czas StartCzas() const { return startCzas; }
  // The station-name filter of the menus; empty: none.
  void UstawPokazTylko(const String& s) { pokazTylko = s; }
  const String& PokazTylko() const { return pokazTylko; }
  // The volume, 0 to 100 percent ([Opcje] Glosnosc; 100 when the file has none).
  void UstawGlosnosc(int procent) { glosnosc = std::clamp(procent, 0, 100); }
  int Glosnosc() const { return glosnosc; }
  // The playing speed in percent, 50 to 300 in steps of 25 ([Opcje] Predkosc, written only
  // when not 100; 100 when the file has none or a value outside those steps).
  void UstawPredkosc(int procent) { predkosc = std::clamp(procent / 25 * 25, 50, 300); }
  int Predkosc() const { return predkosc; }
  const String& Katalog() const { return katalog; }

 private:
  // The query sockets' events for server i.
  void ClientSocketConnect(int i);
  void ClientSocketRead(int i);
  void ClientSocketError(int i, int blad);
  // The query to server i failed: its stations go, it is not available.
  void Nieudane(int i, const String& powod);
  // The user's sections from `plik`.
  void CzytajUzytkownika(const PlikIni& plik);
  void Sortuj();
  bool Pokazana(const Stacja& s) const;

  String katalog;
  std::vector<Stacja> stacje;
  std::vector<std::unique_ptr<Serwer>> serwery;  // held by pointer: stations point at them
  std::vector<std::unique_ptr<Konekt>> konekty;  // at the index of their server; made on first use
  std::vector<Zakladka> zakladki;
  std::vector<Ulubiona> ulubione;
  Czas startCzas;
  String startNazwa;
  String pokazTylko;
  int glosnosc = 100;
  int predkosc = 100;
  EsencjaPlayera* player = nullptr;
  std::function<void()> poZmianie;
  // OdczytajListeSerwerow ran.
  bool odczytane = false;
  // A file that existed but could not be read: saving leaves it alone.
  bool chronSerwery = false;
  bool chronUzytkownika = false;
};
