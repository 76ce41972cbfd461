#pragma once
// A growable block of bytes: the payload of every packet, and a byte block inside
// objects (audio data). Holds `Size()` valid bytes in `Capacity()` allocated ones.
// One thread at a time.
#include "core/String.h"

class IniBase;

class Core {
 public:
  // Empty: no data, size 0, capacity 0.
  Core() = default;
  // The copy allocates exactly the valid bytes: its capacity equals its size.
  Core(const Core& other);
  Core& operator=(const Core& other);
  Core(Core&& other) noexcept;
  Core& operator=(Core&& other) noexcept;
  ~Core();

  // Raises "s<0" (assertion form) for a negative s. When the capacity is below s,
  // reallocates to exactly s bytes, keeping the contents. Never shrinks.
  void Reserve(int s);
  // Reserve(s), then size = s. Bytes that become valid are not cleared.
  void SetSize(int s);
  // Copies the bytes [a, a + n) to dst. Raises "a=<a> n=<n> a+n=<a+n> l=<size>" when
  // a < 0, n < 0 or a + n > size.
  void ReadAt(int a, void* dst, int n) const;
  // Inserts n bytes at a, moving the bytes from a on up by n. Raises "a=<a> l=<size>"
  // when a < 0 or a > size, and an assertion for a negative n or a block that would
  // exceed 2^31 - 1 bytes. Growth is geometric (at least doubling), so that appending
  // field after field, as an archive does, costs linear time; `src` may point into the
  // block itself.
  void InsertAt(int a, const void* src, int n);
  // The size as a 4-byte length, then the bytes. On reading, the length comes from the
  // archive and is refused (negative, above IniBase::MaksDlugosc or above what remains)
  // before any memory is reserved.
  void lsa(IniBase& f);

  char* Data() { return data_; }
  const char* Data() const { return data_; }
  int Size() const { return size_; }
  int Capacity() const { return capacity_; }
  // The valid bytes as a String (for payloads that are text).
  String Tekst() const { return String(data_ ? data_ : "", static_cast<size_t>(size_)); }

 private:
  void Reallocate(int newCapacity);

  char* data_ = nullptr;  // owned; null while the capacity is 0
  int size_ = 0;
  int capacity_ = 0;
};
