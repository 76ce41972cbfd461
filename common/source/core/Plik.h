#pragma once
// A file of bytes over a POSIX descriptor, with 64-bit sizes and positions. It is also a
// byte sink (Writable), so that writers can stream into it. Plik keeps no buffer of its
// own: every Write is one system write, and a Plik destroyed while open loses nothing.
// Files are never locked: other readers and writers (the log writer, an exporter, an
// external viewer) may have the same file open together.
// One thread at a time.
#include <cstdint>
#include <limits>

#include "core/String.h"
#include "core/UnikalnyDeskryptor.h"
#include "core/Writable.h"

class Plik : public Writable {
 public:
  // Access rights for open()/open2(): a combination of Odczyt and Zapis, or BezDostepu
  // for a descriptor that only answers queries such as Size().
  enum Dostep { BezDostepu = 0, Odczyt = 1, Zapis = 2 };
  // Creation disposition for open()/open2().
  enum Tworzenie {
    UtworzZawsze = 1,      // create, or truncate an existing file to zero length
    OtworzIstniejacy = 2,  // the file must exist
    OtworzZawsze = 3,      // open, creating an empty file when it is missing
  };

  // Remembers the name; the file stays closed. A relative name is resolved against the
  // current directory when the file is opened.
  explicit Plik(String n);
  Plik(const Plik&) = delete;
  Plik& operator=(const Plik&) = delete;
  // Closes the file if it is open.
  ~Plik() override;

  // Closes, then opens for writing, creating the file or truncating it. Raises the open
  // error: the system's text followed by the quoted name.
  void Create();
  // Closes, then opens for reading and writing, creating the file when missing, and
  // positions at its end. Raises the open error.
  void Append();
  // Closes, then tries to open an existing file for reading. Never raises. Returns true
  // when the file could NOT be opened (it stays closed), false when it is open.
  bool ReadTry();
  // Reads up to n bytes at the current position; returns how many, fewer only at the end
  // of the file (0 there). Raises the system error text on failure, a closed file
  // included.
  int Read(void* p, int n);
  // Writes all n bytes at the current position in one system write. A failed call raises
  // the system error text; a write that took fewer bytes raises "int(r)!=n".
  void Write(const void* p, int n) override;
  // Sets the position, counted from the start. Raises the system error text on failure.
  void Seek(std::int64_t pos);
  // The current position. Raises the system error text on failure.
  std::int64_t Tell();
  // The size in bytes of the open file or, when it is closed, of the named file, which is
  // opened for the query only (the open error when it does not exist).
  std::int64_t Size();
  // Closes the descriptor if open; closing a closed file does nothing. A failure that the
  // system reports while closing (for example an I/O error on a network file system)
  // raises its text; the file is closed anyway.
  void Close();
  // Writes the bytes of s unchanged, then CR LF. Text files of the program (the ini files)
  // are Windows-1250: callers convert first (Cp1250.h).
  void Writeln(const String& s);
  // Writeln(Name + "=" + Value).
  void WriteIniValue(const String& Name, const String& Value);
  // Closes, then opens with the given Dostep bits and Tworzenie disposition. Raises the
  // open error on failure. A directory is never opened as a file.
  void open(int mode, int how);
  // The same without raising; the file stays closed on failure (errno tells why).
  void open2(int mode, int how);

  bool IsOpen() const { return static_cast<bool>(fd_); }
  const String& Name() const { return name_; }

 private:
  // Closes without raising; used where a failure has nowhere to go.
  void CloseQuietly();
  [[noreturn]] void RaiseOpenError(int error, const char* file, int line) const;

  UnikalnyDeskryptor fd_;
  String name_;
};

// A whole file read at once by CzytajCalyPlik.
struct CalyPlik {
  enum Stan {
    Wczytany,     // `bajty` hold the whole file
    Brak,         // it could not be opened: `blad` says why (ENOENT: there is no such file)
    Katalog,      // it is a directory (`blad` is EISDIR)
    NieZwykly,    // only regular files were asked for, and it is a FIFO, a device or a socket
    ZaDuzy,       // it holds more than the most asked for
    Nieczytelny,  // it was opened but a read failed: `blad` says why
  };
  Stan stan = Wczytany;
  int blad = 0;  // the system's error number where the state names one; else 0
  String bajty;  // Wczytany: every byte; Nieczytelny: those read before the failure; else empty
};

// Reads the file `sciezka` whole (the one way the program reads a file at once), at most
// `maks` bytes of it. With `tylkoZwykly` it never blocks: a FIFO or a device put where a
// regular file was expected is refused (NieZwykly), not waited on; without it a pipe is
// read to its end. Never raises for the file's faults, only for lack of memory.
CalyPlik CzytajCalyPlik(const String& sciezka, std::int64_t maks = std::numeric_limits<std::int64_t>::max(),
                        bool tylkoZwykly = false);
