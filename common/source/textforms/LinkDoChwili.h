#pragma once
// A link to a moment of a station: "korwendo://HOST[:PORT]/STATION?t=TIME", which the
// window copies for the moment being heard and every executable opens in place of its
// server, station and time options.
//   HOST[:PORT]  as ServerAddress reads it: a name, an IPv4 address or "[IPv6]", the
//                port 12540 when none is given;
//   STATION      the station's name, its UTF-8 bytes percent-encoded ("Radio%20%C5%81%C3%B3d%C5%BA");
//                bytes written as they are (a space, a Polish letter) are read too;
//   TIME         as ParsujCzas reads it, percent escapes decoded first ("%2B01:00").
// Other query parameters are ignored, so that later links stay readable; a fragment
// ("#...") is ignored. The scheme is read without regard to case.
// Thread-safe: plain functions on values.

#include "core/Czas.h"
#include "core/String.h"

struct LinkDoChwili {
  String serwer;  // host ":" port, as ServerAddress writes it back
  String stacja;  // the name, decoded
  Czas chwila;

  // The target of the player core: stacja + "@" + serwer.
  String Cel() const { return stacja + "@" + serwer; }
  bool operator==(const LinkDoChwili&) const = default;
};

// What is wrong with a link's text.
enum class BladLinku {
  Brak,
  Schemat,          // not "korwendo://"
  BrakHosta,        // nothing between "//" and the path
  ZlyAdres,         // the host or port part as ServerAddress refuses it (see `adres`)
  BrakStacji,       // no "/" after the address, or an empty name
  ZlaSekwencja,     // "%" not followed by two hexadecimal digits
  ZleUtf8,          // the decoded name is not valid UTF-8
  ZnakSterujacy,    // the decoded name holds a control character
  MalpaWNazwie,     // the decoded name holds "@", which ends a station's name in a target
  ZaDlugaNazwa,     // the decoded name is longer than a server takes (kMaksNazwyStacji)
  BrakCzasu,        // no "t=" parameter
  DwaCzasy,         // "t=" given twice
  ZlyCzas,          // "t=" that ParsujCzas cannot read
};

// Reads `tekst` without raising; `blad` says what is wrong, `opis` the detail a message
// adds (the address fault's text, the bad time, the bad escape).
struct OdczytLinku {
  LinkDoChwili link;
  BladLinku blad = BladLinku::Brak;
  String opis;
};
OdczytLinku CzytajLink(const String& tekst);

// Whether `tekst` is written as a link (starts with the scheme), so that a command line
// can tell a link from another argument before reading it.
bool WygladaNaLink(const String& tekst);

// The link, or raises "zły link " + Cytat(text) + ": " + what is wrong.
LinkDoChwili ParsujLink(const String& tekst);

// The link of `l`: every byte of the name but the unreserved ones (letters, digits,
// "-._~") percent-encoded with upper-case digits, the address as given, the moment as
// NapisIsoZwiezly writes it. CzytajLink reads it back to `l` (to the millisecond).
String NapiszLink(const LinkDoChwili& l);
