#pragma once
// A station to play as a person types it on a command line (--station) or on standard
// input, "NAME" or "NAME@ADDRESS". Thread-safe: a plain function on values.
#include "core/String.h"

// The target written whole: the address part read as ServerAddress reads it and written
// back ("Zegar@host" gives "Zegar@host:12540"), a bare name as it is. Raises a UsageError
// for a name that BladNazwyStacji refuses (empty, not UTF-8, a control character, longer
// than a server takes) or, naming --station, a bad address.
String NormalizujCel(const String& cel);
