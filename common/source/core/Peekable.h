#pragma once
// A non-blocking source that can also be looked into before it is consumed. As a source
// it returns 0 exactly when it is empty. Thread safety is each implementation's own.
#include "core/ConstPeekable.h"
#include "core/IReadAnyNonBlocking.h"

class Peekable : public IReadAnyNonBlocking, public ConstPeekable {
 public:
  // Reads min(n, Size()) bytes and returns their number. Raises "n<0" for a negative n.
  int ReadAnyNonBlocking(void* v, int n) override;
  // Discards the next n bytes; raises, changing nothing, when fewer are held.
  virtual void Skip(int n) = 0;
  // Peek(v, n), then Skip(n): raises, consuming nothing, when fewer than n bytes are held.
  // Not atomic where Peek and Skip lock separately.
  virtual void Read(void* v, int n);
};
