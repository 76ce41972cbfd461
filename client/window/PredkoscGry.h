#pragma once
// The playing speed as the user steps through it ("[" and "]", the speed control beside
// the volume): quarters of the normal speed from 0.5x to 3x, set in the player core (which
// goes on from the moment being heard), shown by the view while not 1x, and remembered in
// the user's settings. The live edge (KrawedzNaZywo) brings it back to 1x on reaching the
// newest recorded audio.
//
// Window (GUI) thread only.
#include <optional>

#include "core/String.h"

class ListaStacji;
class SterowaniePlayera;
class WidokNaZywo;

class PredkoscGry {
 public:
  static constexpr int kNajwolniej = 2;   // 0.5x
  static constexpr int kNormalna = 4;     // 1x
  static constexpr int kNajszybciej = 12;  // 3x

  // The parts are not owned and must outlive this; `ustawienia` keeps the speed (as a
  // percentage) for the next start.
  PredkoscGry(WidokNaZywo& w, SterowaniePlayera& p, ListaStacji& ustawienia);

  // One quarter slower / faster; at the end of the range nothing changes.
  void Wolniej() { Ustaw(Cwierci() - 1); }
  void Szybciej() { Ustaw(Cwierci() + 1); }
  // Plays at `cwierci` quarters, held to kNajwolniej..kNajszybciej: the player core is told
  // only when that differs from its speed (a change restarts at the moment heard); the
  // settings keep it and the view shows it.
  void Ustaw(int cwierci);
  // The speed the player core plays at, in quarters.
  int Cwierci() const;
  // Shows the player core's speed when it differs from the one shown (on every tick, so
  // that a speed set past this class is shown too).
  void Sprawdz();

  // The factor of `cwierci` (not negative) with the decimal comma and the multiplication
  // sign: "0,5×", "1×", "1,25×".
  static String Napis(int cwierci);

 private:
  void Pokaz(int cwierci);

  WidokNaZywo& widok;
  SterowaniePlayera& player;
  ListaStacji& ustawienia;
  std::optional<int> pokazana;  // the speed the view shows
};
