#pragma once
// The target of the player core: a station on a server, written "NAME@HOST:PORT" in the
// settings files, the menus' hints, the command lines and the player core's commands. The
// name ends at the first "@"; what follows is the server's address as ServerAddress reads
// it ("NAME@HOST" on the default port 12540, "NAME@[v6]:PORT"). Every target is written
// back as NAME "@" the address's Text(). Thread-safe: plain functions on values.
#include <cstddef>

#include "core/String.h"
#include "transport/ServerAddress.h"

// The longest station name a client sends, in characters (each is one byte on the wire,
// in Windows-1250). The server drops a connection that sends a command packet of more than
// 16 KiB (server/net/Klient.h, Klient::Ustawienia::limitPakietu); "zmienstacje TIME NAME"
// takes 57 bytes of its packet besides the name, rounded up here to 64.
inline constexpr size_t kMaksNazwyStacji = 16 * 1024 - 64;

// What is wrong with a station's name as a target, a link or a command line gives it:
// "pusta nazwa stacji", "znak @ w nazwie stacji", a text that is not UTF-8, a control
// character, or more than kMaksNazwyStacji characters; empty when nothing is.
String BladNazwyStacji(const String& nazwa);

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
  ZaDlugaNazwa,  // a name of more than kMaksNazwyStacji characters, which no server takes
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

// The target of `tekst`, or raises "zły cel " + Cytat(tekst) + ": " + what is wrong.
CelStacji ParsujCel(const String& tekst);
