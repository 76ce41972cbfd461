#pragma once
// The program's player core (EsencjaPlayera) behind SterowaniePlayera. Window thread only.
#include "player/EsencjaPlayera.h"
#include "window/SterowaniePlayera.h"

class SterowanieEsencji : public SterowaniePlayera {
 public:
  // `e` is not owned and must outlive this.
  explicit SterowanieEsencji(EsencjaPlayera& e) : esencja(e) {}
  void Graj() override { esencja.Graj(); }
  void Stop() override { esencja.Stop(); }
  void UstawPozycje(Czas t) override { esencja.UstawPozycje(t); }
  void ZmienStacje(const String& cel) override { esencja.ZmienStacje(cel); }
  void ZmienStacje(const String& cel, Czas t) override { esencja.ZmienStacje(cel, t); }
  void GrajIwenty(const String& rodzina) override { esencja.GrajIwenty(rodzina); }
  void GrajWszystko() override { esencja.GrajWszystko(); }
  void WyslijString(const String& s) override { esencja.WyslijString(s); }
  void Wyslij(Paczka2& p) override { esencja.Wyslij(p); }
  Czas CzasGry() override { return esencja.CzasGry(); }
  void UstawPredkosc(int cwierci) override { esencja.UstawPredkosc(cwierci); }
  int Predkosc() override { return esencja.Predkosc(); }
  bool Zatrzymany() override { return esencja.DajGrajka().IsStopped(); }
  void UstawGlosnosc(double v) override { esencja.DajGrajka().GetPlayAudio()->SetVolume(v); }
  Czas OdswiezCzas() override { return esencja.OdswiezCzas(); }
  String DajStacje() override { return esencja.DajStacje(); }
  String Adres() override { return esencja.Adres(); }
  ThreadSafeBuffer& Skrzynka() override { return esencja.Skrzynka(); }

 private:
  EsencjaPlayera& esencja;
};
