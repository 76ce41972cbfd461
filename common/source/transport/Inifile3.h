#pragma once
// The validated file archive: an Inifile2 whose file begins with a header, the 7 bytes
// "inifile", the file kind `id` as a String and the version as an int, followed by the
// object's own bytes. A reader accepts files of its own version or older (the caller's
// lsa may look at `version` to read older layouts) and refuses damaged files, files of
// another kind and newer versions.
// One thread at a time.
#include "transport/Inifile2.h"

class Inifile3 : public Inifile2 {
 public:
  // Constructs the Inifile2, then, unless the file failed to open, moves the header.
  // Reading raises "\"<file>\" jest uszkodzony" when the first 7 bytes are not
  // "inifile" (or the file is shorter: then the read error below), "\"<file>\" jest
  // niewlasciwy" for another id, and "\"<file>\" ma wersję <n>" for a version n above
  // `version`. A file that cannot be opened for reading raises nothing: Failed() is true.
  Inifile3(const Tekst& filename, int mode, const Tekst& id, int version);

  // As Inifile2, then raise "Błąd zapisu do <file>" when Failed().
  void Write(const char* c, int n) override;
  // As Inifile2, then raise "Błąd odczytu z <file>" when Failed().
  void Read(char* c, int n) override;

  // The version written, or the one found in the file.
  int version;

 private:
  Tekst filename_;
};
