#pragma once
// What a player plays at its start, decided once for the window and for the player
// without a window: the servers named on the command line join the station list, then a
// target named (a link's, or --station's) is played, else the position the settings
// resume at, else nothing. A station named without its server is played from the only
// server listed, or looked for on all of them when there are several.
//
// Where the programs differ, the rules say how (Zasady): the window always reads the
// settings and adds the servers named to them, and waits for the user when there is
// nothing to play; the player without a window reads the settings only when no server is
// named, and refuses to start with nothing to play.
//
// Window (GUI) thread only, as the station list.
#include <optional>
#include <vector>

#include "core/Czas.h"
#include "core/String.h"

class ListaStacji;

struct PoczatekGry {
  enum class Rodzaj {
    Graj,     // play the target `cel` from `od`; none: live, from now
    Wznow,    // the same for the position the settings resume at: a target the player
              // core refuses there is the settings' fault, logged, not the user's
    Szukaj,   // `cel` is a station's name alone and several servers are listed: ask them
              // all (ListaStacji::PobierzListeStacji), then decide with Znaleziona
    Czekaj,   // nothing to play: wait for the user
    Blad,     // nothing can be played, for the reason `blad`
  };
  enum class Powod {
    Brak,
    NicDoGrania,  // no target named and no position to resume at
    BrakSerwerow, // a station's name alone and no server to ask
    NieMaStacji,  // no server listed records the station named (after Szukaj)
  };
  struct Zasady {
    bool ustawieniaZSerwerami = true;  // read the settings even when servers are named
    bool czekajBezCelu = true;         // nothing to play: Czekaj (else Blad NicDoGrania)
  };
  static constexpr Zasady kOkno{true, true};
  static constexpr Zasady kBezOkna{false, false};

  Rodzaj rodzaj = Rodzaj::Czekaj;
  String cel;
  std::optional<Czas> od;
  Powod blad = Powod::Brak;
};

// Reads the settings into `l` as the rules say, and adds each server of `serwery` ("host",
// "host:port", as ServerAddress reads them) that the list lacks, in order. Raises for a
// server text that ServerAddress refuses. Does not play: the list is given no player.
void DolaczSerwery(ListaStacji& l, const std::vector<String>& serwery, PoczatekGry::Zasady z);

// What to play: the target or station's name `cel` (empty: none named) from `od` (none:
// live; with no target named, the position's own moment when it has one).
PoczatekGry Decyduj(const ListaStacji& l, const String& cel, std::optional<Czas> od, PoczatekGry::Zasady z);

// After Szukaj's queries: the first station of the list named `nazwa` (Graj, from `od`),
// or Blad NieMaStacji.
PoczatekGry Znaleziona(const ListaStacji& l, const String& nazwa, std::optional<Czas> od);
