#include "transport/Core.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "core/Exception.h"
#include "transport/IniBase.h"

Core::Core(const Core& other) {
  if (other.size_ > 0) {
    Reallocate(other.size_);
    std::memcpy(data_, other.data_, static_cast<size_t>(other.size_));
    size_ = other.size_;
  }
}

Core& Core::operator=(const Core& other) {
  if (this != &other) {
    Core copy(other);
    *this = std::move(copy);
  }
  return *this;
}

Core::Core(Core&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

Core& Core::operator=(Core&& other) noexcept {
  if (this != &other) {
    std::free(data_);
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

Core::~Core() { std::free(data_); }

void Core::Reallocate(int newCapacity) {
  void* grown = std::realloc(data_, static_cast<size_t>(newCapacity));
  if (grown == nullptr) throw std::bad_alloc();
  data_ = static_cast<char*>(grown);
  capacity_ = newCapacity;
}

void Core::Reserve(int s) {
  if (s < 0) KG_ASSERTION("s<0");
  if (capacity_ < s) Reallocate(s);
}

void Core::SetSize(int s) {
  Reserve(s);
  size_ = s;
}

void Core::ReadAt(int a, void* dst, int n) const {
  const std::int64_t end = std::int64_t{a} + n;
  if (a < 0 || n < 0 || end > size_) {
    KG_ERROR("a=" + std::to_string(a) + " n=" + std::to_string(n) + " a+n=" +
             std::to_string(end) + " l=" + std::to_string(size_));
  }
  if (n > 0) std::memcpy(dst, data_ + a, static_cast<size_t>(n));
}

void Core::InsertAt(int a, const void* src, int n) {
  if (a < 0 || a > size_) KG_ERROR("a=" + std::to_string(a) + " l=" + std::to_string(size_));
  KG_ASSERT(n >= 0);
  if (n == 0) return;
  constexpr int kMax = std::numeric_limits<int>::max();
  KG_ASSERT(n <= kMax - size_);
  const char* from = static_cast<const char*>(src);
  const auto at = reinterpret_cast<std::uintptr_t>(from);
  const auto begin = reinterpret_cast<std::uintptr_t>(data_);
  if (data_ != nullptr && at >= begin && at < begin + static_cast<std::uintptr_t>(capacity_)) {
    // Bytes of this very block move with the insertion (and the reallocation).
    const String copy(from, static_cast<size_t>(n));
    InsertAt(a, copy.data(), n);
    return;
  }
  const int needed = size_ + n;
  if (needed > capacity_) {
    const int doubled = capacity_ > kMax / 2 ? kMax : capacity_ * 2;
    Reallocate(needed > doubled ? needed : doubled);
  }
  std::memmove(data_ + a + n, data_ + a, static_cast<size_t>(size_ - a));
  std::memcpy(data_ + a, from, static_cast<size_t>(n));
  size_ += n;
}

void Core::lsa(IniBase& f) {
  int n = size_;
  f.ReadWriteLength(n);
  if (!f.Zapisuje()) SetSize(n);
  f.ReadWrite(data_, n);
}
