#include "core/CyclicBuffer.h"

#include <climits>
#include <cstring>
#include <utility>

#include "core/CallTrace.h"
#include "core/Exception.h"

namespace {
constexpr int kInitialCapacity = 5;
}  // namespace

CyclicBuffer::CyclicBuffer() : data(new char[kInitialCapacity]), capacity(kInitialCapacity) {
  KG_TRACE("CyclicBuffer::CyclicBuffer()");
}

CyclicBuffer::CyclicBuffer(const CyclicBuffer& b)
    : Writable(), Peekable(), data(new char[b.Used() + 1]), capacity(b.Used() + 1) {
  KG_TRACE("CyclicBuffer::CyclicBuffer(const CyclicBuffer &b)");
  const int n = b.Used();
  b.PeekEx(data.get(), 0, n);
  tail = n;
  size2 = b.size2;
}

CyclicBuffer& CyclicBuffer::operator=(const CyclicBuffer& b) {
  KG_TRACE("CyclicBuffer::operator=(const CyclicBuffer &b)");
  if (this == &b) return *this;
  CyclicBuffer copy(b);
  std::swap(data, copy.data);
  std::swap(head, copy.head);
  std::swap(tail, copy.tail);
  std::swap(capacity, copy.capacity);
  std::swap(size2, copy.size2);
  return *this;
}

CyclicBuffer::~CyclicBuffer() = default;

void CyclicBuffer::CheckSize() const {
  if (Used() != size2) {
    KG_ERROR("Size()=" + std::to_string(Used()) + " " + "size2=" + std::to_string(size2) + " ");
  }
}

int CyclicBuffer::GrownCapacity(int capacity, int used, int n) {
  // The storage must keep one byte free after the write: used + n + 1 <= capacity.
  if (n > INT_MAX - 1 - used) {
    KG_ERROR("CyclicBuffer::Write n=" + std::to_string(n) + " Size()=" + std::to_string(used) +
             " more than 2147483646 bytes would be held ");
  }
  const long long grown = n < capacity ? 2LL * capacity : static_cast<long long>(capacity) + n + 1;
  return grown > INT_MAX ? INT_MAX : static_cast<int>(grown);
}

void CyclicBuffer::Grow(int n) {
  const int grown = GrownCapacity(capacity, Used(), n);
  std::unique_ptr<char[]> bigger(new char[grown]);
  if (tail >= head) {
    std::memcpy(bigger.get() + head, data.get() + head, tail - head);
  } else {
    // The wrapped part [head, old end) moves up so that it ends at the new end.
    const int shift = grown - capacity;
    std::memcpy(bigger.get(), data.get(), tail);
    std::memcpy(bigger.get() + head + shift, data.get() + head, capacity - head);
    head += shift;
  }
  data = std::move(bigger);
  capacity = grown;
}

void CyclicBuffer::Write(const void* v, int n) {
  KG_TRACE("CyclicBuffer::Write(const void *v, int n)");
  CheckSize();
  if (n < 0) KG_ASSERTION("n<0");
  if (n == 0) return;
  if (n >= Free()) Grow(n);
  const char* bytes = static_cast<const char*>(v);
  const int first = n < capacity - tail ? n : capacity - tail;
  std::memcpy(data.get() + tail, bytes, first);
  if (first < n) std::memcpy(data.get(), bytes + first, n - first);
  tail = Advance(tail, n);
  // Counted only now, so that a failed growth leaves the count in step with the positions.
  size2 += n;
}

int CyclicBuffer::Size() const {
  KG_TRACE("CyclicBuffer::Size()");
  return Used();
}

void CyclicBuffer::Skip(int n) {
  KG_TRACE("CyclicBuffer::Skip(int n)");
  if (n < 0) KG_ASSERTION("n<0");
  if (Used() < n) KG_ASSERTION("n>Size()");
  CheckSize();
  size2 -= n;
  head = Advance(head, n);
  // Emptied: the next write starts at the front in one piece instead of wrapping.
  if (head == tail) head = tail = 0;
}

void CyclicBuffer::PeekEx(void* v, int source, int length) const {
  const int used = Used();
  if (source < 0 || length < 0 || source > used || length > used - source) {
    KG_ERROR("CyclicBuffer::PeekEx " + String("source=") + std::to_string(source) + " " +
             "length=" + std::to_string(length) + " " + "Size()=" + std::to_string(used) + " ");
  }
  if (length == 0) return;
  char* out = static_cast<char*>(v);
  const int start = Advance(head, source);
  const int first = length < capacity - start ? length : capacity - start;
  std::memcpy(out, data.get() + start, first);
  if (first < length) std::memcpy(out + first, data.get(), length - first);
}

int CyclicBuffer::left() const {
  KG_TRACE("CyclicBuffer::left()");
  return Free();
}

int CyclicBuffer::Capacity() const {
  KG_TRACE("CyclicBuffer::Capacity()");
  return capacity;
}

String CyclicBuffer::Contents() const {
  KG_TRACE("CyclicBuffer::Contents()");
  String text(Used(), '\0');
  PeekEx(text.data(), 0, Used());
  return text;
}

void CyclicBuffer::Reset() {
  KG_TRACE("CyclicBuffer::Reset()");
  head = 0;
  tail = 0;
  size2 = 0;
}
