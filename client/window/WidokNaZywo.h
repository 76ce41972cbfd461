#pragma once
// The playing state at a glance: the live indicator, as the live edge (KrawedzNaZywo) sets
// it, whether playback is stopped, as the window's logic sets it on its tick, and the
// playing speed, as PredkoscGry sets it. Window (GUI) thread only; the calls return
// without waiting.
class WidokNaZywo {
 public:
  // The live indicator ("Na żywo") beside the status line's message, shown or hidden.
  virtual void UstawNaZywo(bool widoczny) = 0;
  // Playback stopped or not: which of Graj and Stop is in force, and "Zatrzymano" beside
  // the status line's message while stopped. Called when it changes.
  virtual void UstawZatrzymany(bool zatrzymany) = 0;
  // The playing speed in quarters (4: normal, 2 to 12), shown while it is not 4. Called
  // when it changes, and once at the first tick. A program that shows no speed leaves it.
  virtual void UstawPredkosc(int cwierci) { (void)cwierci; }
  virtual ~WidokNaZywo() = default;
};
