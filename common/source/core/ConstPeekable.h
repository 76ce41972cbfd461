#pragma once
// A read view that does not consume: the bytes a reader could take next, addressed from
// the read position. Thread safety is each implementation's own.
class ConstPeekable {
 public:
  // The number of bytes that can be read.
  virtual int Size() const = 0;
  // Copies `length` bytes that start `source` bytes after the read position into v,
  // consuming nothing. Raises, changing nothing, when they are not all held or when
  // `source` or `length` is negative.
  virtual void PeekEx(void* v, int source, int length) const = 0;
  virtual ~ConstPeekable() = default;

  // PeekEx(v, 0, n).
  void Peek(void* v, int n) const { PeekEx(v, 0, n); }
};
