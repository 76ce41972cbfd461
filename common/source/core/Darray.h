#pragma once
// Growable array of owned objects: each entry is null or owns one T, created
// (default-constructed) at its first access. Indices above 1,000,000 and negative ones
// are refused with "index==" + index. `count` is the logical length, kept by the user.
// Not synchronised: one thread at a time.
#include <memory>
#include <utility>

#include "core/Exception.h"

template <class T>
class Darray {
 public:
  Darray() = default;
  Darray(const Darray& other) { *this = other; }
  virtual ~Darray() = default;

  virtual T& operator[](int index) {
    if (index < 0 || index > 1000000) KG_ERROR("index==" + std::to_string(index));
    if (index >= capacity) Grow(index);
    if (!items[index]) items[index] = std::make_unique<T>();
    return *items[index];
  }

  virtual Darray& operator=(const Darray& other) {
    if (this == &other) return *this;
    std::unique_ptr<std::unique_ptr<T>[]> copy(
        other.capacity ? new std::unique_ptr<T>[other.capacity] : nullptr);
    for (int i = 0; i < other.capacity; ++i) {
      if (other.items[i]) copy[i] = std::make_unique<T>(*other.items[i]);
    }
    items = std::move(copy);
    capacity = other.capacity;
    count = other.count;
    return *this;
  }

  // True when the entry at `index` has been created; never creates it.
  bool Exists(int index) const { return index >= 0 && index < capacity && items[index]; }

  int Capacity() const { return capacity; }

  int count = 0;

 private:
  void Grow(int index) {
    const int grown = index + capacity + 1;
    std::unique_ptr<std::unique_ptr<T>[]> bigger(new std::unique_ptr<T>[grown]);
    for (int i = 0; i < capacity; ++i) bigger[i] = std::move(items[i]);
    items = std::move(bigger);
    capacity = grown;
  }

  std::unique_ptr<std::unique_ptr<T>[]> items;
  int capacity = 0;
};
