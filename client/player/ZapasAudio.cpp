#include "player/ZapasAudio.h"

void ZapasAudio::Dodaj(Roznica d, int64_t n) {
  paczki.push_back({d, n});
  razem += d;
  bajty += n;
}

void ZapasAudio::Zostalo(Roznica wBuforze) {
  while (!paczki.empty() && razem - paczki.front().d >= wBuforze) {
    razem -= paczki.front().d;
    bajty -= paczki.front().bajty;
    paczki.pop_front();
  }
}

void ZapasAudio::Wyczysc() {
  paczki.clear();
  razem = Roznica(0);
  bajty = 0;
}
