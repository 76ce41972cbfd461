#pragma once
// The status line's message and the pop-up message over the axis area, each gone after
// its time, and the warnings that only diagnostics show. Every part of the window's logic
// tells the user through it.
//
// Window (GUI) thread only.
#include <functional>

#include "core/Czas.h"
#include "core/String.h"

class WidokStatusu;

class LiniaStatusu {
 public:
  // The view is not owned and must outlive this; `zegar` gives the wall clock.
  LiniaStatusu(WidokStatusu& w, std::function<Czas()> zegar, bool diagnostyka);

  // The status line for 12 s / for 3 s.
  void LadnyPrint(const String& s);
  void LadnyPrint5s(const String& s);
  // The pop-up for 3 s (logged) and the status line for 12 s; an empty text hides both.
  void BardzoLadnyPrint(const String& s);
  // A warning: logged, and in the status line only with diagnostics.
  void DebugPrint(const String& s);
  // A message past its time is cleared (on every tick).
  void Tick();

  // The status line's text; empty once its time is up.
  const String& Status() const { return status; }
  bool Diagnostyka() const { return diagnostyka; }

 private:
  void Pokaz(const String& s, Roznica naIle);

  WidokStatusu& widok;
  std::function<Czas()> zegar;
  bool diagnostyka;
  String status;
  Czas koniecStatusu;
  Czas koniecDymka;
  bool dymek = false;
};
