#pragma once
// A ring buffer of bytes that grows without a fixed limit: a byte sink and a peekable
// non-blocking byte source at once. Bytes come out in the order they went in.
//
// The storage is never completely full: a write that would use the last free byte first
// grows it, to twice the capacity for a write smaller than the capacity, else to
// capacity + n + 1; a capacity that would pass 2147483647 stops there, and a write whose
// bytes cannot fit even then is refused. The storage only grows; Reset() keeps it, so a
// buffer emptied and refilled for every packet does not reallocate.
//
// Not synchronised: one thread at a time (ThreadSafeBuffer is the locked one).
#include <memory>

#include "core/Peekable.h"
#include "core/String.h"
#include "core/Writable.h"

class CyclicBuffer : public Writable, public Peekable {
 public:
  // Empty, with capacity 5.
  CyclicBuffer();
  // The same bytes, in storage of exactly b.Size() + 1 bytes.
  CyclicBuffer(const CyclicBuffer& b);
  // As the copy constructor; on failure this buffer is unchanged.
  CyclicBuffer& operator=(const CyclicBuffer& b);
  ~CyclicBuffer() override;

  // Appends n bytes, growing first when n >= left(). Raises "n<0" for a negative n, and
  // an error naming n and Size() when the bytes cannot fit in the largest storage; an
  // allocation failure raises std::bad_alloc. The buffer is unchanged when it raises.
  void Write(const void* v, int n) override;
  int Size() const override;
  // Raises the assertion "n>Size()" when fewer than n bytes are held ("n<0" for a
  // negative n), changing nothing.
  void Skip(int n) override;
  // Raises "CyclicBuffer::PeekEx source=<s> length=<l> Size()=<size> " when the bytes
  // asked for are not all held or a number is negative; changes nothing. Not traced: it
  // sits on every read of the byte path.
  void PeekEx(void* v, int source, int length) const override;

  // Free bytes: Capacity() - Size(); never 0.
  int left() const;
  // The size of the storage in bytes.
  int Capacity() const;
  // A copy of every byte held, in order, consuming nothing (for diagnostics).
  String Contents() const;
  // Empties the buffer; the capacity and the storage stay.
  void Reset();

  // The capacity that a write of n bytes grows a buffer of `capacity` bytes holding
  // `used` of them to. Raises when used + n + 1 passes 2147483647.
  static int GrownCapacity(int capacity, int used, int n);

 private:
  friend struct CyclicBufferProbe;  // the tests' way to break size2 on purpose

  int Used() const { return tail >= head ? tail - head : tail + capacity - head; }
  int Free() const { return capacity - Used(); }
  // (position + n) modulo capacity, for 0 <= n <= capacity, without overflowing int.
  int Advance(int position, int n) const {
    return n < capacity - position ? position + n : n - (capacity - position);
  }
  // Raises "Size()=<a> size2=<b> " when the byte count kept aside disagrees.
  void CheckSize() const;
  void Grow(int n);

  std::unique_ptr<char[]> data;
  int head = 0;      // the read position
  int tail = 0;      // where the next written byte goes; head == tail means empty
  int capacity = 0;  // bytes of storage
  int size2 = 0;     // bytes held, counted apart from the positions as a consistency check
};
