#pragma once
// The tests' makers of moments and zones: a moment from its UTC calendar fields, and
// Central European time with fixed Polish names for the life of an object, whatever zone
// and locale the machine has. Header-only; never part of the program.
#include <cstdint>

#include "core/Czas.h"
#include "core/RegionalNames.h"
#include "core/TimeZone.h"

inline Czas Utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  SystemTime t;
  t.wYear = static_cast<uint16_t>(y);
  t.wMonth = static_cast<uint16_t>(mo);
  t.wDay = static_cast<uint16_t>(d);
  t.wHour = static_cast<uint16_t>(h);
  t.wMinute = static_cast<uint16_t>(mi);
  t.wSecond = static_cast<uint16_t>(s);
  t.wMilliseconds = static_cast<uint16_t>(ms);
  return Czas::ZKalendarza(t);
}

// Central European time (summer time from the last Sunday of March to the last of
// October) with Polish month and weekday names; the system's own again when it goes.
struct StrefaWarszawska {
  StrefaWarszawska() {
    TimeZone::Reset(TimeZone::ZRegulyPosix("CET-1CEST,M3.5.0,M10.5.0/3"));
    RegionalNames n;
    n.miesiace = {"stycznia", "lutego", "marca", "kwietnia", "maja", "czerwca",
                  "lipca", "sierpnia", "września", "października", "listopada", "grudnia"};
    n.miesiaceSamodzielne = {"styczeń", "luty", "marzec", "kwiecień", "maj", "czerwiec",
                             "lipiec", "sierpień", "wrzesień", "październik", "listopad", "grudzień"};
    n.miesiaceSkrocone = {"sty", "lut", "mar", "kwi", "maj", "cze", "lip", "sie", "wrz", "paź", "lis", "gru"};
    n.dni = {"niedziela", "poniedziałek", "wtorek", "środa", "czwartek", "piątek", "sobota"};
    n.dniSkrocone = {"nie", "pon", "wto", "śro", "czw", "pią", "sob"};
    RegionalNames::Ustaw(n);
  }
  ~StrefaWarszawska() {
    TimeZone::Reset();
    RegionalNames::Reset();
  }
  StrefaWarszawska(const StrefaWarszawska&) = delete;
  StrefaWarszawska& operator=(const StrefaWarszawska&) = delete;
};
