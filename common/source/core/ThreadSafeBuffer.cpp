#include "core/ThreadSafeBuffer.h"

#include "core/CallTrace.h"

ThreadSafeBuffer::~ThreadSafeBuffer() = default;

void ThreadSafeBuffer::Write(const void* v, int n) {
  KG_TRACE("ThreadSafeBuffer::Write(const void *v, int n)");
  Synchronized lock(&section);
  buffer.Write(v, n);
}

int ThreadSafeBuffer::ReadAnyNonBlocking(void* v, int n) {
  KG_TRACE("ThreadSafeBuffer::ReadAnyNonBlocking(void *v, int n)");
  Synchronized lock(&section);
  return buffer.ReadAnyNonBlocking(v, n);
}

void ThreadSafeBuffer::Skip(int n) {
  Synchronized lock(&section);
  buffer.Skip(n);
}

int ThreadSafeBuffer::Size() const {
  Synchronized lock(&section);
  return buffer.Size();
}

void ThreadSafeBuffer::PeekEx(void* v, int source, int length) const {
  Synchronized lock(&section);
  buffer.PeekEx(v, source, length);
}

void ThreadSafeBuffer::Reset() {
  Synchronized lock(&section);
  buffer.Reset();
}
