#pragma once
// A decoder: encoded bytes go in (Writable), 16-bit PCM comes out (IReadAnyNonBlocking),
// so that decoders, filters and buffers plug together with TransferData. A decoder chain
// is used by one thread at a time and does not lock.
#include "core/IReadAnyNonBlocking.h"
#include "core/String.h"
#include "core/Writable.h"

class DekoderBase : public Writable, public IReadAnyNonBlocking {
 public:
  // Takes encoded bytes; decodes what they complete.
  void Write(const void* c, int n) override = 0;
  ~DekoderBase() override = default;
  // A name for the decoder.
  virtual String Info() = 0;
  // What it decodes.
  virtual String SupportedFormats() = 0;
  // Forgets all state and every buffered byte: the next bytes are an unrelated stream.
  virtual void Reset() = 0;
  // Takes decoded PCM: at most n bytes of what is available now.
  int ReadAnyNonBlocking(void* c, int n) override = 0;
};
