#pragma once
// The player core as the main window's logic uses it: the user's commands, the time being
// heard, the station and server being played, and the inbox. SterowanieEsencji puts the
// program's player core behind it; tests record the calls. Window thread only.
#include "core/Czas.h"
#include "core/String.h"
#include "core/ThreadSafeBuffer.h"
#include "transport/Paczka2.h"

class SterowaniePlayera {
 public:
  virtual void Graj() = 0;
  virtual void Stop() = 0;
  virtual void UstawPozycje(Czas t) = 0;
  // Plays the station `cel` ("station@host:port") from the time being heard / from t.
  virtual void ZmienStacje(const String& cel) = 0;
  virtual void ZmienStacje(const String& cel, Czas t) = 0;
  virtual void GrajIwenty(const String& rodzina) = 0;
  virtual void GrajWszystko() = 0;
  virtual void WyslijString(const String& s) = 0;
  virtual void Wyslij(Paczka2& p) = 0;
  virtual Czas CzasGry() = 0;
  // Plays at `cwierci`/4 times the archive's pace (2 to 12: 0.5x to 3x), from the moment
  // being heard; Predkosc is the speed in force, in quarters (4: normal).
  virtual void UstawPredkosc(int cwierci) = 0;
  virtual int Predkosc() = 0;
  // The sound's volume, 0 (silent) to 1 (as decoded); never waits.
  virtual void UstawGlosnosc(double v) { (void)v; }
  // Whether playback is stopped (the engine starts stopped; Graj starts it, Stop stops it).
  virtual bool Zatrzymany() { return false; }
  // Moves the time component to the time being heard and returns that time.
  virtual Czas OdswiezCzas() = 0;
  // The station name being played; the server as host ":" port.
  virtual String DajStacje() = 0;
  virtual String Adres() = 0;
  // Whole packets in wire form, written by the message thread.
  virtual ThreadSafeBuffer& Skrzynka() = 0;
  virtual ~SterowaniePlayera() = default;
};
