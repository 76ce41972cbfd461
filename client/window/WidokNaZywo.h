#pragma once
// The playing state at a glance: the live indicator, as the live edge (KrawedzNaZywo) sets
// it, and whether playback is stopped, as the window's logic sets it on its tick. Window
// (GUI) thread only; the calls return without waiting.
class WidokNaZywo {
 public:
  // The live indicator ("Na żywo") beside the status line's message, shown or hidden.
  virtual void UstawNaZywo(bool widoczny) = 0;
  // Playback stopped or not: which of Graj and Stop is in force, and "Zatrzymano" beside
  // the status line's message while stopped. Called when it changes.
  virtual void UstawZatrzymany(bool zatrzymany) = 0;
  virtual ~WidokNaZywo() = default;
};
