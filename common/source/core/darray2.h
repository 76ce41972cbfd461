#pragma once
// Growable array of values. Access at an index at or past the capacity grows the storage
// to index + capacity + 1 elements, new ones value-initialised; indices above 1,000,000
// and negative ones are refused. `count` is kept by the user of the array.
// Not synchronised: one thread at a time.
#include <algorithm>
#include <memory>
#include <utility>

#include "core/Exception.h"

template <class T>
class darray2 {
 public:
  darray2() = default;
  darray2(const darray2& other) { *this = other; }
  darray2& operator=(const darray2& other) {
    if (this == &other) return *this;
    std::unique_ptr<T[]> copy(other.capacity ? new T[other.capacity]() : nullptr);
    std::copy(other.items.get(), other.items.get() + other.capacity, copy.get());
    items = std::move(copy);
    capacity = other.capacity;
    count = other.count;
    return *this;
  }

  T& operator[](int n) {
    if (n < 0) KG_ASSERTION("n<0");
    if (n > 1000000) KG_ASSERTION("n>1000000");
    if (n >= capacity) Grow(n);
    return items[n];
  }

  // Stores `value` at index `count`, then increments `count`.
  // `value` may be an element of this array, so it is copied before the access that may
  // move the storage.
  void Append(const T& value) {
    T copy(value);
    (*this)[count] = std::move(copy);
    ++count;
  }

  int Capacity() const { return capacity; }

  int count = 0;

 private:
  void Grow(int n) {
    const int grown = n + capacity + 1;
    std::unique_ptr<T[]> bigger(new T[grown]());
    std::move(items.get(), items.get() + capacity, bigger.get());
    items = std::move(bigger);
    capacity = grown;
  }

  std::unique_ptr<T[]> items;
  int capacity = 0;
};
