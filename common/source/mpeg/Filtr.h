#pragma once
// A byte filter in front of a decoder: encoded bytes go in through Write and come out,
// cleaned up, through ReadAnyNonBlocking. One thread at a time.
#include "core/IReadAnyNonBlocking.h"
#include "core/Writable.h"

class Filtr : public Writable, public IReadAnyNonBlocking {
 public:
  // Forgets every byte held: the next bytes are a new stream.
  virtual void Reset() = 0;
};
