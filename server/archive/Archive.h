#pragma once
// The recordings of one station in a Rotter archive: which files exist, where each run
// of their audio lies in UTC, and the exact intervals that hold audio. ArchiveReader reads
// the audio of a moment from it.
//
// Where a file's audio lies is taken from the best evidence there is, in this order:
//  1. a Broadcast WAV time reference;
//  2. a name that states its start to the second or better (the "accurate" layout);
//  3. the file before it was closed when this one began (its modification time, less a
//     quarter of Rotter's ring buffer, is the moment this file's name states): Rotter
//     changed files, so this one begins where that one ends, unless the changes of
//     files within this one's own chain put it more than 0.1 s elsewhere (the file before
//     lost audio at its end: the difference is a gap);
//  4. the bounds that Rotter's lateness gives: a file is last written after its last
//     sample (`opoznienieMtime` after it when it was closed because the next file began,
//     at any time after it when it was stopped or is still being written; the sample was
//     captured `opoznienieWejscia` before it reached Rotter, and an MP3 file's audio ends
//     `opoznienieMp3` before that, each within its `rozrzut`), and a file that continues
//     the previous one begins before the hour it is named after (the part of a file after
//     its ID3v1 block, where Rotter went on writing when the hour the name states came
//     round again as clocks went back, before the second). Every file of a chain closed
//     at a change of files gives an interval for the chain's start, the others bound it
//     from above; the chain lies in the middle of the intersection, which narrows with
//     every change. With no change in the chain, or bounds that contradict each other (a
//     disturbed file, a clock step), the earliest of the bounds' middles places it. A
//     modification time counts only when it puts the file within the span its name states;
//  5. an ID3v1 title "Recorded YYYY-MM-DD HH:MM" whose minutes are not 00;
//  6. the name of a file that starts a recording (a partial first file): not before the
//     time named;
//  7. none: the audio follows the audio before it.
// MPEG files that one encoder wrote one after another (the frame cut off at the end of one
// is finished by the first bytes of the next, or, after an ID3v1 block, of the same file)
// form a chain whose parts lie end to end, to the sample; the chain is placed by the best
// evidence of any of its files. Placements that meet within the precision of their
// evidence are joined; where two overlap, the better evidence wins and the other gives way.
//
// Threads: Odswiez runs on one thread at a time (the server's archive thread); readers and
// the queries may run on any thread. Both take `sekcja` for what they share.
#include <sys/stat.h>

#include <atomic>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "archive/FrameIndex.h"
#include "archive/RotterLayout.h"
#include "archive/WavInfo.h"
#include "core/Czas.h"
#include "core/ECriticalSection.h"
#include "core/Roznica.h"
#include "core/String.h"

struct KonfiguracjaArchiwum {
  String stacja;   // the station's name
  String katalog;  // the archive's root directory
  RotterLayout uklad;
  // How long after its last sample reached it Rotter sets a finished file's modification
  // time: a quarter of its ring buffer, 0.5 s by default.
  Roznica opoznienieMtime = Roznica::Milisekunda * 500;
  // How long after it was captured a sample reaches Rotter's ring buffer: JACK hands audio
  // over a period at a time, so what Rotter last takes from the buffer before it closes a
  // file ends up to a period before that moment (measured with periods of 1024 frames at
  // 44.1 kHz: 7-18 ms); the middle of that span, and how far either way of it the lag
  // may lie (7-19 ms).
  Roznica opoznienieWejscia = Roznica::Milisekunda * 13;
  Roznica rozrzutWejscia = Roznica::Milisekunda * 6;
  // How far the end of the audio in an MP3 file, its cut-off last frame included, lags
  // what was handed to its encoder: libmp3lame keeps samples and frames in its buffers, and
  // Rotter closes files without flushing it (measured with Rotter 0.9 at 128 kbit/s:
  // 74-97 ms beyond the input's lag, where the encoder's frames fall in the input and how
  // much it holds back); about the middle of that span, and how far either way of it the
  // lag may lie (74-102 ms).
  Roznica opoznienieMp3 = Roznica::Milisekunda * 88;
  Roznica rozrzutMp3 = Roznica::Milisekunda * 14;
};

// [poczatek, koniec): from the first sample to the end of the last.
struct ZakresCzasu {
  Czas poczatek;
  Czas koniec;
  bool operator==(const ZakresCzasu&) const = default;
};

class Archive {
 public:
  // How a run of audio was placed in time, best first (see above).
  enum class Dowod { Bext, NazwaDokladna, PoPoprzednim, Mtime, NazwaPelnegoPliku, Id3, NazwaPoczatku, Sasiad };

  // Remembers the configuration; nothing is read until Odswiez.
  explicit Archive(KonfiguracjaArchiwum k);
  ~Archive();
  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;

  // Looks at the archive again: new files are indexed, grown ones indexed further, removed
  // or replaced ones forgotten, and every run is placed again. Returns true when anything
  // changed. Files that cannot be played (unreadable, empty, without audio) are left out
  // and logged once each with the reason. Never raises for what
  // the files hold; raises, changing nothing, when the archive cannot be listed for want
  // of descriptors or memory.
  // When `przerwij` is set meanwhile (the server stops), the look is abandoned within a
  // MiB or so of reading and returns false: what the queries see does not change, no file
  // is taken in indexed in part, and the next call looks at every file it did not finish
  // again (an index cut short goes on from where it stopped).
  bool Odswiez(const std::atomic<bool>* przerwij = nullptr);

  // The intervals that hold audio, ascending, disjoint, each from a first sample to the
  // end of a last one; runs that meet exactly are one interval.
  std::vector<ZakresCzasu> Przedzialy() const;
  // The format text of the newest audio ("44100 stereo 128 MPEG1", "22050 mono 352 PCM");
  // empty while there is none.
  String Format() const;
  // Grows by one with every change that Odswiez makes.
  uint64_t Wersja() const;
  const KonfiguracjaArchiwum& Konfiguracja() const { return konfiguracja; }

  // One placed run of audio, for logs and tests.
  struct Opis {
    String plik;  // relative path
    int segment;  // -1 for a WAV file
    Czas poczatek;
    Czas koniec;
    Dowod dowod;
    String format;
  };
  std::vector<Opis> Odcinki() const;

  // The files as the last look left them: those that can be played (their audio indexed)
  // and those reported as unplayable, counted by the kind of reason: "read_error",
  // "empty", "no_mpeg_frames", "not_pcm_wav", "no_samples". A file just made that cannot
  // be played yet counts in neither until it is reported (see kWiekNieodtwarzalnego).
  struct StanPlikow {
    int odtwarzalne = 0;
    std::map<String, int> nieodtwarzalne;
  };
  StanPlikow Pliki() const;

 private:
  friend class ArchiveReader;
  struct Plik;
  struct Odcinek;

  void Uloz();
  // The file indexed from its start; null when `przerwij` cut that short.
  std::shared_ptr<Plik> Wczytaj(const String& wzgledna, const NazwaPliku& nazwa, const struct stat& st,
                                const std::atomic<bool>* przerwij) const;
  // The file indexed on to the size `st` states. False when `przerwij` cut that short: the
  // file then keeps the size and time of its last whole look, so that the next look goes
  // on with it.
  bool Doczytaj(Plik& p, const struct stat& st, const std::atomic<bool>* przerwij) const;
  // Why the file cannot be played: the kind (see StanPlikow) and the text for the log;
  // both empty when it can.
  struct Powod {
    String rodzaj;
    String tekst;
  };
  static Powod Nieodtwarzalny(const Plik& p);
  // Logs each file that cannot be played, once for each reason.
  void ZglosNieodtwarzalne();

  const KonfiguracjaArchiwum konfiguracja;
  // Serialises Odswiez; taken before `sekcja`.
  ECriticalSection odswiezanie;
  // Guards everything below.
  mutable ECriticalSection sekcja;
  std::map<String, std::shared_ptr<Plik>> pliki;  // by relative path
  std::vector<Odcinek> os;                         // the placed runs, by start time
  // The placement of each chain (by its first file and segment), kept while its evidence
  // stays of the same kind and counts the same changes of files, so that a growing file
  // does not move; a chain that a new change narrows moves.
  struct Kotwica {
    Dowod dowod;
    Czas start;
    int zmian;
  };
  std::map<std::pair<String, int>, Kotwica> kotwice;
  // The chains placed without a change of files to narrow them, with the evidence logged
  // for each, and those whose bounds contradicted each other: each logged once.
  std::map<std::pair<String, int>, Dowod> bezZmiany;
  std::set<std::pair<String, int>> sprzeczne;
  // What Uloz has to log, logged by Odswiez once `sekcja` is left (Odswiez's thread only).
  std::vector<std::pair<int, String>> doZalogowania;
  uint64_t wersja = 0;
  // The files logged as unplayable, with the reason logged (Odswiez's thread only).
  std::map<String, String> zgloszone;
  // What Pliki() tells, made by each look.
  StanPlikow stanPlikow;
  // How long an unplayable file must stand unchanged before it is logged.
  static constexpr Roznica kWiekNieodtwarzalnego = Roznica::Sekunda * 10;
};
