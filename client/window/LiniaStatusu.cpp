#include "window/LiniaStatusu.h"

#include "core/CallTrace.h"
#include "core/Log.h"
#include "window/WidokStatusu.h"

LiniaStatusu::LiniaStatusu(WidokStatusu& w, std::function<Czas()> z, bool d)
    : widok(w), zegar(std::move(z)), diagnostyka(d) {}

void LiniaStatusu::Pokaz(const String& s, Roznica naIle) {
  status = s;
  widok.UstawStatus(s);
  koniecStatusu = zegar() + naIle;
}

void LiniaStatusu::LadnyPrint(const String& s) {
  KG_TRACE("LiniaStatusu::LadnyPrint(const String& s)");
  Pokaz(s, Roznica::Sekunda * 12);
}

void LiniaStatusu::LadnyPrint5s(const String& s) {
  KG_TRACE("LiniaStatusu::LadnyPrint5s(const String& s)");
  Pokaz(s, Roznica::Sekunda * 3);
}

void LiniaStatusu::BardzoLadnyPrint(const String& s) {
  KG_TRACE("LiniaStatusu::BardzoLadnyPrint(const String& s)");
  if (s.empty()) {
    widok.UkryjDymek();
    dymek = false;
  } else {
    koniecDymka = zegar() + Roznica::Sekunda * 3;
    widok.PokazDymek(s);
    dymek = true;
    Log(0, s, KG_WHERE);
  }
  LadnyPrint(s);
}

void LiniaStatusu::DebugPrint(const String& s) {
  KG_TRACE("LiniaStatusu::DebugPrint(const String& s)");
  if (diagnostyka) LadnyPrint(s);
  Log(1, s, KG_WHERE);
}

void LiniaStatusu::Tick() {
  const Czas teraz = zegar();
  if (!status.empty() && teraz > koniecStatusu) {
    status.clear();
    widok.UstawStatus(status);
  }
  if (dymek && teraz > koniecDymka) {
    dymek = false;
    widok.UkryjDymek();
  }
}
