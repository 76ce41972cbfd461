#pragma once
// The audio the player core has handed to the playback engine since the engine's last
// reset and that has not been heard yet, in bytes. The engine reports what it holds only
// as playing time, and a packet's time is what its format text claims: a format claiming a
// huge bit rate makes many bytes last a moment, so the bytes are counted here as well.
// The engine plays packets in the order they were handed over, so what it still holds is
// the newest packets whose times add up to the time it reports; the older ones are heard.
// One thread at a time (the player core calls it under its TCP client lock).
#include <cstdint>
#include <deque>

#include "core/Roznica.h"

class ZapasAudio {
 public:
  // A packet of `bajty` bytes playing for `d` was handed to the engine.
  void Dodaj(Roznica d, int64_t bajty);
  // The engine holds `wBuforze` not yet heard: the oldest packets that the rest still
  // covers are forgotten. A packet partly heard still counts whole.
  void Zostalo(Roznica wBuforze);
  // The engine was reset: nothing is held.
  void Wyczysc();
  // The bytes of the packets held.
  int64_t Bajty() const { return bajty; }

 private:
  struct Paczka {
    Roznica d;
    int64_t bajty;
  };
  std::deque<Paczka> paczki;  // oldest first
  Roznica razem{0};
  int64_t bajty = 0;
};
