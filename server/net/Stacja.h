#pragma once
// One station a server serves: its archive (the recordings and where they lie in time),
// the intervals that hold audio as clients are told them, and its event base read from
// an optional events file. Owned and used by the server's loop thread only.
//
// The events file is the one the demo recorder writes beside its audio: UTF-8 text, one
// entry a line, fields separated by one tab, times ISO 8601 in UTC with milliseconds:
//   event<TAB>Wiadomości<TAB>2024-05-01T10:00:00.000Z<TAB>2024-05-01T10:05:00.000Z
//   marker<TAB>Sygnał<TAB>2024-05-01T10:10:00.000Z
// Blank lines and lines starting with '#' are ignored; a line of another form is logged
// and skipped. The file is read again whenever its modification time changes.
#include <sys/types.h>

#include <memory>

#include "Archive.h"
#include "BazaZintegrowana.h"
#include "KonfiguracjaSerwera.h"
#include "Przedzialy.h"
#include "PrzedzialyAudio.h"

class Stacja {
 public:
  // Raises for a layout it cannot understand. Reads nothing until Odswiez.
  explicit Stacja(const KonfiguracjaStacji& k);
  // A station over an archive the caller made (the demo recorder's).
  Stacja(const String& nazwa, std::shared_ptr<Archive> archiwum, const String& plikIwentow = String());

  // What one Odswiez changed.
  struct Zmiany {
    Przedzialy plus;   // audio intervals that appeared
    Przedzialy minus;  // audio intervals that went away
    bool audio = false;
    bool iwenty = false;  // the event base was replaced
  };
  // Looks at the archive and the events file again. Never raises for what they hold.
  Zmiany Odswiez();

  const String& Nazwa() const { return nazwa; }
  // False while the archive's directory cannot be read.
  bool Dostepna() const { return dostepna; }
  // The intervals that hold audio, closed, exact (no merging tolerance).
  const PrzedzialyAudio& Audio() const { return audio; }
  BazaZintegrowana& Iwenty() { return iwenty; }
  // Replaces the event base (the demo's schedule); clients are told at the next Odswiez.
  void UstawIwenty(const BazaZintegrowana& b);
  Archive& Archiwum() { return *archiwum; }

  // Parses the text of an events file into b (see above).
  static void CzytajIwenty(const String& tekst, BazaZintegrowana& b);

 private:
  String nazwa;
  std::shared_ptr<Archive> archiwum;
  String plikIwentow;
  timespec mtimeIwentow{};
  bool dostepna = false;
  bool pierwszy = true;
  bool noweIwenty = false;
  PrzedzialyAudio audio;
  BazaZintegrowana iwenty;
};
