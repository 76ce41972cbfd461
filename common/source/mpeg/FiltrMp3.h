#pragma once
// Synchronises a stream of MPEG audio bytes on frame headers: it releases whole frames
// only, each one confirmed by the header of the frame after it, and drops whatever lies
// in front of the first confirmed frame (the tail of a frame cut by a seek, garbage, tags).
// The last frame received stays until the header after it arrives or Reset. One thread
// at a time.
#include "core/CyclicBuffer.h"
#include "mpeg/Filtr.h"

class FiltrMp3 : public Filtr {
 public:
  // Appends the bytes.
  void Write(const void* c, int n) override;
  // Empties the buffer.
  void Reset() override;
  // Returns 0 or exactly one whole frame, starting with its header. Bytes in front of
  // the first confirmed frame are skipped with the warning "skipping <r> bytes"; more than
  // 10000 bytes without any confirmed frame are dropped with "no frames found, flushing".
  // Raises "buffer too small, needed <length>" when n is less than the frame's length.
  int ReadAnyNonBlocking(void* c, int n) override;

  // Bytes held and not yet released.
  int Size() const { return buffer.Size(); }

 private:
  CyclicBuffer buffer;
};
