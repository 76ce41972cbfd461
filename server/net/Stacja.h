#pragma once
// One station a server serves: its archive (the recordings and where they lie in time),
// the intervals that hold audio as clients are told them, and its event base read from
// an optional events file.
//
// The events file is the one the demo recorder writes beside its audio (EventsFile.h):
// UTF-8 text, one entry a line, fields separated by one tab, times ISO 8601 in UTC with
// milliseconds:
//   event<TAB>Wiadomości<TAB>2024-05-01T10:00:00.000Z<TAB>2024-05-01T10:05:00.000Z
//   marker<TAB>Sygnał<TAB>2024-05-01T10:10:00.000Z
// Blank lines and lines starting with '#' are ignored; a line of another form is skipped
// (the first few logged, the rest counted). Only a regular file is read, never waiting on
// it; it is read again whenever its modification time changes, and clients are told what
// was added and taken away.
//
// The archive's silent stretches (CiszaStacji, analysed by AnalizujCisze) join the events
// as the family "Cisza", and reach the clients as every other event does.
//
// Threads: Sprawdz runs on the server's archive thread of this station, AnalizujCisze on
// its analysis thread, everything else on its loop thread; the sides share nothing but
// the Odczyt handed from one to the other, the Archive and the CiszaStacji (which guard
// themselves). CiszaNaZywo may be read from any thread.
#include <sys/types.h>

#include <atomic>
#include <memory>
#include <optional>

#include "archive/Archive.h"
#include "archive/CiszaStacji.h"
#include "common/BazaZintegrowana.h"
#include "common/Update.h"
#include "intervals/Przedzialy.h"
#include "intervals/PrzedzialyAudio.h"
#include "net/KonfiguracjaSerwera.h"

namespace serwer {

class Stacja {
 public:
  // Raises for a layout it cannot understand. Reads nothing until Sprawdz.
  explicit Stacja(const KonfiguracjaStacji& k);
  // A station over an archive the caller made (the demo recorder's), its silences sought
  // with the default settings and what was learned kept in the archive's root directory.
  Stacja(const String& nazwa, std::shared_ptr<Archive> archiwum, const String& plikWydarzen = String());

  // The family of events the archive's silent stretches make.
  static constexpr const char* kCisza = "Cisza";
  // The file, in the archive's root directory, of what the silence analysis learned
  // unless the station file names another.
  static constexpr const char* kPamiecCiszy = ".korwendo-cisza";
  // Where what the analysis learned is kept when the station file names no place: in
  // `cacheDirectory` (systemd's CACHE_DIRECTORY, where the service may write; its first
  // path when it names several), as NAME.cisza with any '/' of the name written '_';
  // without it, kPamiecCiszy in the archive's root directory `katalog`.
  static String DomyslnaPamiecCiszy(const String& nazwa, const String& katalog, const char* cacheDirectory);

  // What changed for the clients.
  struct Zmiany {
    Przedzialy plus;   // audio intervals that appeared
    Przedzialy minus;  // audio intervals that went away
    bool audio = false;
    bool iwenty = false;                    // the event base changed:
    Update<BazaZintegrowana> zmianaWydarzen;  // what was added to it and taken from it
    bool wydarzeniaCale = false;                 // a kind disappeared: send the base whole
    bool pierwsza = false;                   // the first look at the station
  };
  // What one look at the archive and the events file found: the new state and the
  // changes that lead to it from the state before.
  struct Odczyt {
    bool dostepna = false;
    std::optional<PrzedzialyAudio> audio;       // set when the intervals changed
    std::optional<BazaZintegrowana> iwenty;     // set when the event base changed
    Zmiany zmiany;
  };

  // Looks at the archive and the events file again (the slow part: file system work and
  // indexing). Never raises for what they hold. Nothing when nothing changed. Runs on one
  // thread at a time, the server's archive thread of this station; it touches nothing the
  // clients read.
  // Once `przerwij` is set (the server stops), the look is abandoned soon (Archive::Odswiez)
  // and tells nothing; the next look does it again.
  std::optional<Odczyt> Sprawdz(const std::atomic<bool>* przerwij = nullptr);
  // Makes what Sprawdz found the state the clients see, and returns the changes to tell
  // them. On the loop thread. Every Odczyt must be applied, in the order made.
  Zmiany Zastosuj(Odczyt o);
  // Both at once, for a caller that has one thread.
  Zmiany Odswiez();
  // A step of the analysis of the archive's silences (CiszaStacji::Krok): true when more
  // waits to be analysed at once. The next Sprawdz takes what it found into the events.
  bool AnalizujCisze(const std::atomic<bool>* przerwij = nullptr) { return cisza->Krok(przerwij); }
  // Whether the live recording is silent, and for how long; from any thread.
  CiszaStacji::NaZywo CiszaNaZywo() const { return cisza->StanNaZywo(); }

  const String& Nazwa() const { return nazwa; }
  // False while the archive's directory cannot be read.
  bool Dostepna() const { return dostepna; }
  // False until the first look at the archive was applied: until then nothing is known of
  // it, neither that it is empty nor that it cannot be read.
  bool Sprawdzona() const { return sprawdzona; }
  // The intervals that hold audio, closed, exact (no merging tolerance).
  const PrzedzialyAudio& Audio() const { return audio; }
  BazaZintegrowana& Wydarzenia() { return iwenty; }
  Archive& Archiwum() { return *archiwum; }

  // Parses the text of an events file into b (see above).
  static void CzytajWydarzenia(const String& tekst, BazaZintegrowana& b);

 private:
  String nazwa;
  std::shared_ptr<Archive> archiwum;
  String plikWydarzen;
  std::shared_ptr<CiszaStacji> cisza;

  // Logs a failure of the archive (empty: none) when it differs from the last one.
  void Zglos(const String& blad);

  // The archive thread's side: what it last found.
  String ostatniBlad;
  String ostatniBladWydarzen;
  timespec mtimeWydarzen{};
  bool pierwszy = true;
  bool dostepnaS = false;
  PrzedzialyAudio audioS;
  BazaZintegrowana iwentyS;       // as the clients were told it
  BazaZintegrowana zPlikuS;       // as the events file holds it
  uint64_t wersjaCiszyS = 0;      // of the silences in iwentyS

  // The loop thread's side: what the clients see.
  bool sprawdzona = false;
  bool dostepna = false;
  PrzedzialyAudio audio;
  BazaZintegrowana iwenty;
};

}  // namespace serwer
