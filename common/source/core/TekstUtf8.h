#pragma once
// Texts that people and peers give (command lines, links, station names): whether they
// are well-formed UTF-8, how many characters they hold, and how a message quotes them (at
// most kCytatZnakow characters, so that a link of 100 kB makes a line of a message, not
// 100 kB of one). Thread-safe: plain functions on values.
#include <cstddef>

#include "core/String.h"

inline constexpr size_t kCytatZnakow = 200;

// Well-formed UTF-8: no stray continuation bytes, no overlong forms, no surrogates,
// nothing beyond U+10FFFF.
bool PoprawneUtf8(const String& s);

// Whether `s` holds a C0 control, DEL, or a C1 control as UTF-8 writes it (C2 80 - C2 9F).
bool MaZnakiSterujace(const String& s);

// The characters of `s`: its UTF-8 sequences, a byte that begins none counting as one
// (continuation bytes after another byte count with it).
size_t LiczbaZnakow(const String& s);

// "\"" + `s` + "\"" when `s` has at most kCytatZnakow characters (as LiczbaZnakow counts
// them); else its first kCytatZnakow characters, then "…\" (N znaków)".
String Cytat(const String& s);

// `s` itself when it has at most kCytatZnakow characters, else Cytat(s): for a message
// that shows a short value unquoted ("zły czas: jutro").
String Skrot(const String& s);
