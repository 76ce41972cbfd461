#pragma once
// A non-blocking byte source: ReadAnyNonBlocking copies at most n bytes that are
// available now, consumes them and returns their number; 0 means nothing is available at
// the moment, not the end of the stream. Thread safety is each implementation's own.
class Writable;

class IReadAnyNonBlocking {
 public:
  virtual int ReadAnyNonBlocking(void* v, int n) = 0;
  // TransferData(w, *this, n).
  virtual void ReadAnyNonBlocking2(Writable& w, int n);
  virtual ~IReadAnyNonBlocking() = default;
};
