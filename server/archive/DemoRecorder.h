#pragma once
// The demo recorder: three synthetic stations that carry the time code (TimeCode) on the
// schedule of DemoSchedule, written as real files of the Rotter "accurate" layout with
// names in UTC, ROOT/<station>/YYYY-MM-DD/YYYY-MM-DD-HH-MM-SS-CC.<suffix>:
//   "Zegar"   "44100 stereo 128 MPEG1", layer III by libmp3lame, .mp3
//   "Dwójka"  "48000 stereo 192 MPEG1", layer II by libtwolame, .mp2
//   "Fala"    "22050 mono 352 PCM", Broadcast WAV with its time reference, .wav
// and the events file ROOT/<station>/events.txt (EventsFile).
//
// Recordings are written in pieces (DemoSchedule), each by its own encoder fed so that
// the frame that begins the piece decodes to the samples of the piece's first moment: the
// encoder's and decoder's delay is taken off at the input, and a file's name states the
// moment its first sample plays, exactly. Pieces are whole frames long, so the next piece
// begins where the last ended, to the sample.
//
// At the first start (no ROOT/.demo-start) the backlog, the pieces of `zaleglosci` before
// the piece being recorded, is written by background threads, newest first, each piece
// under a temporary name and renamed when whole, so an archive reader sees the backlog
// grow back in time. The piece being recorded and the ones after it are written as the
// clock passes their audio, into files that grow. A later start finishes a backlog left
// unfinished and records from the current piece on (re-writing it whole); the time it
// was stopped stays a gap.
//
// Threads: Start, Stop and the destructor on the owner's thread; the backlog threads and
// the live thread own the files they write; progress counters are atomic; the job list is
// guarded by `sekcja`.
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "archive/Archive.h"
#include "archive/DemoSchedule.h"
#include "core/Czas.h"
#include "core/ECriticalSection.h"
#include "core/EventOgolny.h"
#include "core/Roznica.h"
#include "core/String.h"

struct StacjaDemo {
  enum class Kodek { Mp3, Mp2, Pcm };
  String nazwa;
  String format;
  Kodek kodek;
  int czestotliwosc;
  int kanaly;
  int kbps;
  String sufiks;
};

struct OpcjeDemo {
  // How much recorded audio there is before the live recording at the first start.
  Roznica zaleglosci = Roznica::Godzina * 2;
  // The length of a piece: a multiple of 96 s, so that it is whole frames of both MPEG
  // stations.
  Roznica kawalek = Roznica::Minuta * 8;
  // The clock; the system's when empty.
  std::function<Czas()> zegar;
  // Threads writing the backlog, at the lowest priority; 0: one per processor, at most three.
  int watki = 0;
  // Told the path of every backlog piece once it is whole, from the thread that wrote it.
  std::function<void(const String&)> poKawalku;
  // The stations fall silent at the moments DemoSchedule::Cisze names, so that the
  // server's analysis has dead air to find.
  bool cisze = false;
};

class DemoRecorder {
 public:
  // Nothing is written until Start. Raises "Długość kawałka musi być wielokrotnością 96 s"
  // for a piece length that would not be whole frames.
  DemoRecorder(String katalog, OpcjeDemo opcje = OpcjeDemo());
  // Stop().
  ~DemoRecorder();
  DemoRecorder(const DemoRecorder&) = delete;
  DemoRecorder& operator=(const DemoRecorder&) = delete;

  // When the live recording of the archive in `katalog` began, as its first start wrote it
  // in ROOT/.demo-start; none before the first start (or when the file is unreadable).
  static std::optional<Czas> PoczatekNaZywo(const String& katalog);
  // Makes the directories, reads or writes ROOT/.demo-start, and starts the threads.
  // Raises when the directories cannot be made.
  void Start();
  // Stops the threads; what they were writing stays as it is (a backlog piece stays under
  // its temporary name and is written again at the next start).
  void Stop();

  static const std::vector<StacjaDemo>& Stacje();
  // The archive of a station, as the server reads it.
  KonfiguracjaArchiwum Archiwum(const StacjaDemo& s) const;
  String PlikZdarzen(const StacjaDemo& s) const;

  // The first piece recorded live at the first start: the backlog ends there.
  Czas PoczatekNaZywo() const { return poczatekNaZywo; }
  // The backlog pieces, newest first, as they are written; empty before Start.
  std::vector<KawalekDemo> Zaleglosci() const;
  // Seconds of audio (of all stations) of the backlog written, and to write.
  double SekundyZaleglosci() const { return sekundyZaleglosci.load(); }
  double SekundyZaleglosciRazem() const { return sekundyRazem; }
  bool ZaleglosciGotowe() const { return pozostalo.load() == 0; }
  // Waits until the backlog is written, up to `ms`; true when it is.
  bool CzekajNaZaleglosci(int ms);
  // The moment up to which every station's live audio has been encoded.
  Czas NagraneDo() const { return Czas(nagraneDo.load()); }

 private:
  class Watek;
  struct Zadanie {
    size_t stacja;
    KawalekDemo kawalek;
  };

  Czas Teraz() const;
  String Sciezka(const StacjaDemo& s, Czas poczatek) const;
  void Zaleglosc();
  void NaZywo();
  // Writes the piece to `sciezka` as its audio passes `limit()`; false when stopped.
  bool Zapisz(const StacjaDemo& s, const KawalekDemo& k, const String& sciezka, const std::function<Czas()>& limit);
  void DopiszZdarzenia(Czas doChwili);

  const String katalog;
  const OpcjeDemo opcje;
  Czas poczatekNaZywo;
  Czas poczatekZaleglosci;
  Czas ostatnieZdarzenie;

  // Guards `zadania` and `nastepne`.
  ECriticalSection sekcja;
  std::vector<Zadanie> zadania;  // newest first
  size_t nastepne = 0;

  std::atomic<bool> stop{false};
  EventManual zatrzymaj;
  EventManual gotowe;
  std::atomic<int> pozostalo{0};
  std::atomic<double> sekundyZaleglosci{0};
  double sekundyRazem = 0;
  std::atomic<int64_t> nagraneDo{0};
  std::vector<std::unique_ptr<Watek>> watki;
};
