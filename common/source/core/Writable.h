#pragma once
// A byte sink: takes all n bytes or raises. There are no partial writes. Thread safety is
// each implementation's own.
class IReadAnyNonBlocking;

class Writable {
 public:
  virtual void Write(const void* v, int n) = 0;
  // TransferData(*this, r, n).
  virtual void Write2(IReadAnyNonBlocking& r, int n);
  virtual ~Writable() = default;
};
