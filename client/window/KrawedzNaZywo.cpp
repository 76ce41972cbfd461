#include "window/KrawedzNaZywo.h"

#include <algorithm>

#include "core/CallTrace.h"
#include "player/PowiadomieniaPlayera.h"
#include "window/LiniaStatusu.h"
#include "window/PredkoscGry.h"
#include "window/SterowaniePlayera.h"
#include "window/WidokNaZywo.h"
#include "window/WyborWydarzen.h"

namespace {
const String q = "\"";
}  // namespace

KrawedzNaZywo::KrawedzNaZywo(WidokNaZywo& w, SterowaniePlayera& p, LiniaStatusu& s, WyborWydarzen& wyd,
                             PredkoscGry& pr, const Przedzialy& nagrania)
    : widok(w), player(p), status(s), wydarzenia(wyd), predkosc(pr), przedzialyAudio(nagrania) {}

void KrawedzNaZywo::NaZywo() {
  KG_TRACE("KrawedzNaZywo::NaZywo()");
  if (przedzialyAudio.Count() == 0) {
    const String stacja = player.DajStacje();
    status.LadnyPrint(stacja.empty() ? String("Nie wybrano stacji.")
                                     : "Stacja " + q + stacja + q + " nie ma jeszcze nagrań.");
    return;
  }
  // Live is the whole programme: a family of events being played alone would skip the
  // edge, where no event of it has been recorded yet. Asked for every time, so that the
  // server's choice and the window's cannot differ at the edge.
  wydarzenia.CalyProgram();
  const Przedzial& ostatni = przedzialyAudio[przedzialyAudio.Count() - 1];
  // A recording that began less than kPrzedKrawedzia ago plays from its start, not from
  // the silence before it.
  const Czas start = std::max(ostatni.begin, ostatni.end - kPrzedKrawedzia);
  // Set before the seek, so that the engine restarts once, at the edge.
  if (predkosc.Cwierci() > PredkoscGry::kNormalna) DoNormalnej();
  player.UstawPozycje(start);
  player.Graj();
  Sprawdz(start);
}

void KrawedzNaZywo::Sprawdz(Czas t) {
  // Faster than the recording grows, the time heard catches up with its end, where the
  // engine would run dry: where End starts playing, the speed goes back to 1x.
  if (polaczony && predkosc.Cwierci() > PredkoscGry::kNormalna && !player.Zatrzymany() &&
      przedzialyAudio.Count() > 0 && t >= przedzialyAudio.End() - kPrzedKrawedzia) {
    DoNormalnej();
  }
  // Live is what is heard: playing, and at most kGranicaNaZywo behind the newest audio. A
  // position past it (the clock standing in silence) is not live, nor is a stopped one.
  const bool teraz = polaczony && !player.Zatrzymany() && przedzialyAudio.Count() > 0 && t <= przedzialyAudio.End() &&
                     przedzialyAudio.End() - t <= kGranicaNaZywo;
  if (teraz == naZywo) return;
  naZywo = teraz;
  widok.UstawNaZywo(naZywo);
}

void KrawedzNaZywo::Powiadomienie(ZdarzeniePolaczenia z) {
  polaczony = z == ZdarzeniePolaczenia::Polaczony;
  Sprawdz(player.CzasGry());
}

void KrawedzNaZywo::DoNormalnej() {
  KG_TRACE("KrawedzNaZywo::DoNormalnej()");
  predkosc.Ustaw(PredkoscGry::kNormalna);
  status.LadnyPrint("Na żywo: odtwarzanie z prędkością 1×");
}
