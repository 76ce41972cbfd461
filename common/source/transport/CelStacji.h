#pragma once
// The target of the player core: a station on a server, written "NAME@HOST:PORT" in the
// settings files, the menus' hints, the command lines and the player core's commands. The
// name ends at the first "@"; what follows is the server's address as ServerAddress reads
// it ("NAME@HOST" on the default port 12540, "NAME@[v6]:PORT"). Every target is written
// back as NAME "@" the address's Text(). Thread-safe: plain functions on values.
#include "core/String.h"
#include "transport/ServerAddress.h"

struct CelStacji {
  String stacja;         // the station's name: not empty, without "@"
  ServerAddress serwer;

  // stacja "@" serwer.Text(): "Zegar@radio.example:12540", "Zegar@[::1]:2000".
  String Napis() const;
  // The same station on the same host and port (however the port was written).
  bool operator==(const CelStacji& o) const {
    return stacja == o.stacja && serwer.host == o.serwer.host && serwer.port == o.serwer.port;
  }
};

// What is wrong with a target's text.
enum class BladCelu {
  Brak,
  PustaNazwa,  // nothing before the "@" (or an empty text)
  BezSerwera,  // a name alone, no "@": which server is the reader's to decide
  ZlyAdres,    // the part after the "@" as ServerAddress refuses it (see `adres`), or one
               // holding another "@"
};

struct OdczytCelu {
  CelStacji cel;      // as far as it was read: the name is set whenever it is not empty
  BladCelu blad = BladCelu::Brak;
  AddressFault adres = AddressFault::None;  // for ZlyAdres (BadHost for a second "@")
  String tekstAdresu;  // the part after the first "@" as written; empty without one
};

// Reads `tekst` without raising.
OdczytCelu CzytajCel(const String& tekst);

// What the fault is, for a person: "pusta nazwa stacji", ...; empty for Brak.
String OpisBleduCelu(const OdczytCelu& o);

// The target of `tekst`, or raises "zły cel \"" + tekst + "\": " + what is wrong.
CelStacji ParsujCel(const String& tekst);
