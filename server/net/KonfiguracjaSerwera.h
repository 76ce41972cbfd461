#pragma once
// The stations a korwendo-server serves, read from its ini file (UTF-8 text):
//
//   [Zegar]                      ; one section per station; the section name is the station
//   katalog = /srv/archive/zegar ; the archive's root directory (required)
//   uklad = accurate             ; flat, hierarchy, combo, dailydir, accurate or a pattern with %
//   sufiks = mp3                 ; file suffix without the dot (default mp3)
//   nazwa = zegar                ; the name Rotter gave its files (optional)
//   czas = utc                   ; utc or local: how file names state time (default local)
//   iwenty = /srv/events/zegar.txt ; the station's events and markers (optional)
//
// Lines starting with ';' or '#' are comments; blank lines are ignored. Station names come
// only from here: nothing a client sends ever names a file.
#include <vector>

#include "String.h"

struct KonfiguracjaStacji {
  String nazwa;
  String katalog;
  String uklad = "accurate";
  String sufiks = "mp3";
  String nazwaPlikow;
  bool utc = false;
  String iwenty;
};

// Parses the text of a configuration file. Raises an Exception naming the line for a
// key outside a section, an unknown key, a bad "czas" value, a station without
// "katalog" or a station named twice.
std::vector<KonfiguracjaStacji> CzytajKonfiguracje(const String& tekst);
// Reads and parses the file; raises when it cannot be read.
std::vector<KonfiguracjaStacji> CzytajPlikKonfiguracji(const String& sciezka);
