#pragma once
// The lines of an ini text: the one reading of the format under every ini file the
// program reads (the client's settings files, the server's station file), each of which
// gives the lines its own meaning and its own answer to a malformed one.
//
//   ; a comment          # so is this: a line whose first character is ';' or '#'
//   [section]            blanks around the name dropped
//   key = value          blanks around the key and the value dropped
//
// Blank lines and comment lines are left out; lines end at '\n', and a '\r' before it is
// a blank like any other control character. A UTF-8 byte-order mark that an editor put
// at the start is skipped. The bytes are not converted: the caller knows the encoding.
// Thread-safe: plain functions on values.
#include <vector>

#include "core/String.h"

struct LiniaIni {
  enum Rodzaj {
    Sekcja,              // "[name]": `nazwa` is the name (possibly empty)
    Wartosc,             // "key = value": `nazwa` is the key, `wartosc` the value (the first '=' splits them)
    NiedomknietaSekcja,  // starts with '[' but no ']' ends the name
    BezRownosci,         // neither a section nor a line with '='
  };
  Rodzaj rodzaj = Wartosc;
  int numer = 0;   // the line's number in the text, from 1
  String nazwa;
  String wartosc;
  // The line without the blanks around it, for messages; outside a section's header also
  // without its trailing comment.
  String tekst;
};

struct RegulyIni {
  // A ';' or '#' that follows a blank starts a comment to the end of the line
  // ("katalog = /srv/a ; old one"), and a section's name ends at the first ']' that only
  // blanks or such a comment follow, so that names and values may hold ';', '#' and ']'
  // themselves. Without it only whole lines are comments and a name ends at its first ']'
  // (what follows it is ignored).
  bool komentarzZaWartoscia = false;
};

// The lines of `tekst` that are neither blank nor comments, in order.
std::vector<LiniaIni> CzytajLinieIni(const String& tekst, const RegulyIni& reguly = {});
