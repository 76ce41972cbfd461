#pragma once
// The bare names (no directory part) of the directory entries that match a wildcard mask,
// in the order in which the system enumerates the directory.
// One thread at a time.
#include "core/Darray.h"
#include "core/String.h"

class ListaPlikow : public Darray<String> {
 public:
  // `mask` is a path whose last component may hold the wildcards "*" (any run of
  // characters, a leading dot included) and "?" (exactly one character; a Polish letter
  // is one character although UTF-8 spends two bytes on it); every other character,
  // "[" and "\" included, stands for itself. The directory part is taken literally, and a
  // mask without one looks in the current directory. Matching is case-sensitive.
  // Directories that match are listed too; "." and ".." never are. A mask that matches
  // nothing, or a directory that cannot be read, gives an empty list: this never raises.
  explicit ListaPlikow(const String& mask);

  // Why the directory could not be read (the errno of opening it); 0 when it was.
  int blad = 0;
};

// True when `name` matches the wildcard pattern (the rules above). Never raises.
bool PasujeDoMaski(const String& name, const String& pattern);
