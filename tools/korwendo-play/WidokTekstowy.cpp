#include "korwendo-play/WidokTekstowy.h"

#include <cstdio>

#include "commandline/TerminalReport.h"
#include "player/PowiadomieniaPlayera.h"
#include "window/Ponawianie.h"

WidokTekstowy::WidokTekstowy(std::function<void()> ponow, std::function<Czas()> c, Wyjscie w)
    : pusty(std::move(c)), wyjscie(std::move(w)) {
  timer.setInterval(ponawianie::kOdstepMs);
  QObject::connect(&timer, &QTimer::timeout, &timer, std::move(ponow));
}

void WidokTekstowy::Wypisz(const String& s) {
  if (wyjscie) {
    wyjscie(s);
    return;
  }
  // Much of what is printed comes from a server: station names, statuses, errors.
  std::fputs((BezSterujacych(s) + "\n").c_str(), stdout);
  std::fflush(stdout);
}

void WidokTekstowy::Polaczenie(ZdarzeniePolaczenia z) {
  Wypisz("connection: " + OpisPowiadomienia(z));
}

void WidokTekstowy::UstawStatus(const String& s) {
  // The window's logic sets a text again whenever it comes again, and clears it when its
  // time is up: a terminal is told of each new one.
  if (!s.empty() && s != status) Wypisz("status: " + s);
  status = s;
}

void WidokTekstowy::UstawTimerPolaczenia(bool dziala) {
  if (!dziala) {
    timer.stop();
    return;
  }
  timer.start();
  Wypisz("reconnecting in " + std::to_string(ponawianie::kOdstepMs / 1000) + " s");
}

void WidokTekstowy::UstawPrzyciskStacji(const String& s) {
  stacja = s;
  Wypisz("station: " + s);
}

void WidokTekstowy::DoSchowka(const String& tekst) { Wypisz("link: " + tekst); }

void WidokTekstowy::UstawNaZywo(bool widoczny) {
  if (widoczny == naZywo) return;
  naZywo = widoczny;
  Wypisz(widoczny ? "live: yes" : "live: no");
}
