#pragma once
// A CyclicBuffer behind a lock, for handing bytes from one thread to another.
#include "core/CyclicBuffer.h"
#include "core/ECriticalSection.h"

// Threads: any number of writer threads (for example every thread that sends on the TCP
// client, or the message, GUI and playback threads posting to the player core's inbox) and
// one reader thread; each operation holds the buffer's own critical section for exactly
// one forwarded call, never across a wait.
//
// A writer hands over a whole unit in one Write, so units of different writers never
// interleave. ReadAnyNonBlocking is atomic; the inherited Read (a Peek, then a Skip) locks
// twice and is safe only because there is one reader and writers only append, so bytes
// already seen stay in place.
class ThreadSafeBuffer : public Writable, public Peekable {
 public:
  ThreadSafeBuffer() = default;
  ThreadSafeBuffer(const ThreadSafeBuffer&) = delete;
  ThreadSafeBuffer& operator=(const ThreadSafeBuffer&) = delete;
  ~ThreadSafeBuffer() override;

  // CyclicBuffer::Write under the lock.
  void Write(const void* v, int n) override;
  // Takes min(n, Size()) bytes in one locked step.
  int ReadAnyNonBlocking(void* v, int n) override;
  // The remaining operations forward to the inner buffer under the lock, untraced.
  void Skip(int n) override;
  int Size() const override;
  void PeekEx(void* v, int source, int length) const override;
  void Reset();

 private:
  CyclicBuffer buffer;
  mutable ECriticalSection section;
};
