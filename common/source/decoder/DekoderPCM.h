#pragma once
// The pass-through decoder of 16-bit PCM: bytes come out unchanged and in order.
// One thread at a time.
#include "core/CyclicBuffer.h"
#include "decoder/DekoderBase.h"

class DekoderPCM : public DekoderBase {
 public:
  void Write(const void* c, int n) override;
  // "Korwendo PCM decoder".
  String Info() override;
  // "PCM".
  String SupportedFormats() override;
  // Empties the buffer.
  void Reset() override;
  int ReadAnyNonBlocking(void* c, int n) override;

 private:
  CyclicBuffer buffer;
};
