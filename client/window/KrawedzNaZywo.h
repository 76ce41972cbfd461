#pragma once
// The live edge: End and the "Na żywo" button play the newest recorded audio of the
// station, and the live indicator follows how far behind it the time being heard is.
//
// The newest recorded audio is the end of the last interval of the station's recordings.
// The server announces every second what its recorder added as "PrzedzialyAudio"
// "update+", which the window's logic merges in, so the end grows with the recording;
// playing on at normal speed keeps the time heard that far behind it. Faster than that the
// time heard would run into the end: on reaching kPrzedKrawedzia before it, playing goes
// back to 1x, and the status line says so.
//
// Window (GUI) thread only.
#include "core/Czas.h"
#include "core/Roznica.h"
#include "intervals/Przedzialy.h"
#include "player/PowiadomieniaPlayera.h"

class LiniaStatusu;
class PredkoscGry;
class SterowaniePlayera;
class WidokNaZywo;
class WyborWydarzen;

class KrawedzNaZywo {
 public:
  // How far before the newest recorded audio the live edge starts playing. The client
  // learns the newest audio from the server's "update+" packets, sent after its look at
  // the archive once a second, so the end it knows is audio the server has indexed and
  // can send; starting a few seconds before it gives the playback engine that much in
  // its buffer, so that it keeps playing while the next second of the recording is
  // written, indexed and announced instead of running dry at every step.
  static constexpr Roznica kPrzedKrawedzia = Roznica::Sekunda * 4;
  // Playing at most this far behind the newest recorded audio counts as live.
  static constexpr Roznica kGranicaNaZywo = Roznica::Sekunda * 10;

  // The parts are not owned and must outlive this; `nagrania` are the station's
  // recordings, kept by the window's logic.
  KrawedzNaZywo(WidokNaZywo& w, SterowaniePlayera& p, LiniaStatusu& status, WyborWydarzen& wydarzenia,
                PredkoscGry& predkosc, const Przedzialy& nagrania);

  // End and the "Na żywo" button: plays the station from kPrzedKrawedzia before the end
  // of its newest recording (from that recording's start when it is shorter). With no
  // recordings known yet, says so in the status line and moves nothing. A family of
  // events played alone gives way to the whole programme first, and a speed above 1x to 1x.
  void NaZywo();
  // Whether the live indicator is on: connected, playing, and the time being heard at most
  // kGranicaNaZywo behind the newest recorded audio, not past it.
  bool JestNaZywo() const { return naZywo; }
  // The indicator for the time being heard `t`, shown when it changes (on every tick);
  // playing faster than 1x, connected and not stopped, at or past kPrzedKrawedzia before
  // the newest recorded audio, goes back to 1x.
  void Sprawdz(Czas t);
  // A connection notification of the player core: only a connected
  // player can be live.
  void Powiadomienie(ZdarzeniePolaczenia z);

 private:
  WidokNaZywo& widok;
  SterowaniePlayera& player;
  LiniaStatusu& status;
  WyborWydarzen& wydarzenia;
  PredkoscGry& predkosc;
  const Przedzialy& przedzialyAudio;
  bool naZywo = false;
  bool polaczony = false;
  // Playing faster than 1x ends at the live edge, said in the status line.
  void DoNormalnej();
};
