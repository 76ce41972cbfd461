#pragma once
// What the exporter needs of the player core: the name of the station being played and a
// way to send the export request to its server. KanalPlayera serves it from EsencjaPlayera;
// tests give their own. Used on the exporter's thread.
#include "core/String.h"
#include "player/EsencjaPlayera.h"
#include "transport/Paczka2.h"

class KanalEksportu {
 public:
  virtual ~KanalEksportu() = default;
  virtual String DajStacje() = 0;
  // Sends the packet to the server (dropped while not connected).
  virtual void Wyslij(Paczka2& p) = 0;
};

// The player core as the exporter's channel; the player core is not owned and must
// outlive it.
class KanalPlayera : public KanalEksportu {
 public:
  explicit KanalPlayera(EsencjaPlayera* p) : player(p) {}
  String DajStacje() override { return player->DajStacje(); }
  void Wyslij(Paczka2& p) override { player->Wyslij(p); }

 private:
  EsencjaPlayera* player;
};
