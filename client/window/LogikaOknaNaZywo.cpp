// The live edge: End and the "Na żywo" button play the newest recorded audio of the
// station, and the live indicator follows how far behind it the time being heard is.
//
// The newest recorded audio is the end of the last interval of the station's recordings
// (przedzialyAudio). The server announces every second what its recorder added as
// "PrzedzialyAudio" "update+", which Audio() merges in, so the end grows with the
// recording; playing on at normal speed keeps the time heard that far behind it.
#include <algorithm>

#include "core/CallTrace.h"
#include "player/PowiadomieniaPlayera.h"
#include "window/LogikaOkna.h"
#include "window/SterowaniePlayera.h"
#include "window/WidokOkna.h"

namespace {
const String q = "\"";
}  // namespace

void LogikaOkna::NaZywo() {
  KG_TRACE("LogikaOkna::NaZywo()");
  if (przedzialyAudio.Count() == 0) {
    const String stacja = player.DajStacje();
    LadnyPrint(stacja.empty() ? String("Nie wybrano stacji.")
                              : "Stacja " + q + stacja + q + " nie ma jeszcze nagrań.");
    return;
  }
  // Live is the whole programme: a family of events being played alone would skip the
  // edge, where no event of it has been recorded yet. Asked for every time, so that the
  // server's choice and the window's cannot differ at the edge.
  CalyProgram();
  const Przedzial& ostatni = przedzialyAudio[przedzialyAudio.Count() - 1];
  // A recording that began less than kPrzedKrawedzia ago plays from its start, not from
  // the silence before it.
  const Czas start = std::max(ostatni.begin, ostatni.end - kPrzedKrawedzia);
  player.UstawPozycje(start);
  player.Graj();
  SprawdzNaZywo(start);
}

void LogikaOkna::SprawdzNaZywo(Czas t) {
  const bool teraz = polaczonyNaZywo && przedzialyAudio.Count() > 0 && przedzialyAudio.End() - t <= kGranicaNaZywo;
  if (teraz == naZywo) return;
  naZywo = teraz;
  widok.UstawNaZywo(naZywo);
}

void LogikaOkna::PolaczenieNaZywo(int komunikat) {
  if (komunikat == WM_PLAYER_POLACZONY) {
    polaczonyNaZywo = true;
  } else if (komunikat == WM_PLAYER_ZERWANY || komunikat == WM_PLAYER_NIEUDANY || komunikat == WM_PLAYER_LACZENIE) {
    polaczonyNaZywo = false;
  }
  SprawdzNaZywo(player.CzasGry());
}
