#pragma once
// The serialization archive: a sequential byte archive in write mode (bytes go out of the
// object into the archive) or in read mode (bytes come from the archive into the object),
// with one primitive that moves n raw bytes and typed operations built on it.
//
// Encoding: integers, enumerations, floating-point values, Czas and Roznica are their
// bytes little-endian (encoded and decoded explicitly, never copied from memory); bool
// and char are one byte. A String is a 4-byte length L, then L bytes of Windows-1250 text
// (the text is UTF-8 inside the program and is converted on the way); a byte block that
// is not text (ReadWriteBytes) and a Core are a 4-byte length, then the bytes unchanged.
// There are no tags, no alignment and no separators.
//
// Untrusted input: a length read from an archive is refused, with an exception raised
// before anything is allocated, when it is negative, above MaksDlugosc (64 MiB), or
// larger than what remains in the archive (when the archive knows that: IniCore and
// Inifile2 do). Writing a longer text or block is refused the same way, so that nothing
// is written that could not be read back.
//
// An archive belongs to one thread for the duration of one encoding or decoding.
#include <cstdint>
#include <type_traits>

#include "core/CallTrace.h"
#include "core/String.h"

class Core;
class Czas;
class Roznica;
class Transportable;

class IniBase {
 public:
  // The largest String, byte block or Core that an archive writes or accepts: 64 MiB.
  static constexpr int MaksDlugosc = 64 * 1024 * 1024;

  // m = 1: write mode; m = 0: read mode. Any value other than 0 acts as write.
  explicit IniBase(int m);
  IniBase(const IniBase&) = delete;
  IniBase& operator=(const IniBase&) = delete;
  virtual ~IniBase();

  // Appends n bytes. Raises when they cannot be taken.
  virtual void Write(const char* c, int n) = 0;
  // Takes the next n bytes. What happens at the end of the data is the archive's own
  // (IniCore raises, Inifile2 sets Failed()).
  virtual void Read(char* c, int n) = 0;
  // How many bytes remain to be read, or -1 when the archive cannot tell (and in write
  // mode). Used to refuse lengths that cannot be satisfied before memory is reserved.
  virtual std::int64_t Pozostalo();

  // The one primitive: Write(c, n) in write mode, Read(c, n) in read mode.
  IniBase& ReadWrite(void* c, int n);

  bool Zapisuje() const { return mode != 0; }

  // Integers and enumerations of 1, 2, 4 or 8 bytes, little-endian.
  template <class T>
    requires((std::is_integral_v<T> && !std::is_same_v<T, bool>) || std::is_enum_v<T>)
  IniBase& ReadWrite(T& v) {
    KG_TRACE("IniBase::ReadWrite(T&)");
    using U = std::make_unsigned_t<typename std::conditional_t<
        std::is_enum_v<T>, std::underlying_type<T>, std::type_identity<T>>::type>;
    static_assert(sizeof(U) == 1 || sizeof(U) == 2 || sizeof(U) == 4 || sizeof(U) == 8);
    std::uint64_t u = static_cast<U>(v);
    MoveLittleEndian(u, sizeof(U));
    v = static_cast<T>(static_cast<U>(u));
    return *this;
  }
  // One byte, 0 or 1; on reading, any byte other than 0 is true.
  IniBase& ReadWrite(bool& v);
  // IEEE 754 values of 4 and 8 bytes, little-endian.
  IniBase& ReadWrite(float& v);
  IniBase& ReadWrite(double& v);
  // A 16-byte value: the 8 bytes of `first`, then the 8 bytes of `second` (an interval's
  // begin and end).
  IniBase& ReadWrite16(std::int64_t& first, std::int64_t& second);
  // Czas and Roznica: their 64-bit tick counts, 8 bytes little-endian; an interval is
  // the 16 bytes of its begin then its end.
  IniBase& ReadWrite(Czas& t);
  IniBase& ReadWrite(Roznica& r);
  IniBase& ReadWrite16(Czas& begin, Czas& end);
  // Text: the length, then the Windows-1250 bytes. Characters that Windows-1250 lacks
  // are written as "?". Raises for a length that is refused (above).
  IniBase& ReadWrite(String& s);
  // A block of bytes that is not text: the length, then the bytes unchanged. Raises for
  // a length that is refused (above).
  IniBase& ReadWriteBytes(String& bytes);
  // c.lsa(*this).
  IniBase& ReadWrite(Core& c);
  // t.lsa(*this).
  IniBase& ReadWrite(Transportable& t);

  // A 4-byte length of a text or a block; on reading, raises before the caller allocates
  // when it is refused (above); on writing, raises for a length above MaksDlugosc.
  IniBase& ReadWriteLength(int& n);
  // A 4-byte element count of a container whose every element takes at least
  // `bajtowNaElement` bytes in the archive; on reading, raises for a negative count and
  // for one whose elements could not fit in what remains. A container whose count may be
  // negative by its own rules moves it as a plain int instead.
  IniBase& ReadWriteCount(int& n, int bajtowNaElement);

  // 1 = write, 0 = read.
  int mode;

 private:
  // Moves the low `bytes` bytes of v, least significant first.
  void MoveLittleEndian(std::uint64_t& v, int bytes);
};
