#pragma once
// The silent stretches of one station's archive, found in the background while the
// server serves (AnalizaCiszy), newest recordings first, and its live recording watched
// for dead air.
//
// Each step looks at the archive's files as they lie on its timeline: the newest file
// first (the one being recorded, whose new audio is analysed as it grows), then the
// others, newest first, each analysed whole once, as long as a step has time. What was
// learned is kept in a file beside the archive (PamiecCiszy), so that a restart analyses
// nothing again; a file that changed is analysed again (one that only grew, from where the
// analysis stopped). A file that cannot be read is logged once and skipped until it
// changes.
//
// The stretches of neighbouring files are joined. The live recording is silent when the
// newest audio lies within 30 s of the clock and a stretch at least `minimalna` long
// reaches its end: that is logged once, as a warning, and once more when the sound comes
// back.
//
// Threads: Krok runs on one thread at a time (the server's analysis thread); Cisze, Wersja,
// StanNaZywo and the counters may be read from any thread (under `sekcja`). The Archive is
// refreshed by another thread meanwhile; it guards itself.
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "archive/AnalizaCiszy.h"
#include "archive/Archive.h"
#include "archive/PamiecCiszy.h"
#include "core/Czas.h"
#include "core/Roznica.h"
#include "core/String.h"

class CiszaStacji {
 public:
  struct Ustawienia {
    UstawieniaCiszy cisza;
    // The file of what was learned; empty: kept in memory only.
    String pamiec;
    // The clock that says whether the newest audio is live; the system's when empty.
    std::function<Czas()> zegar;
  };
  struct NaZywo {
    bool cicho = false;  // silent for at least `minimalna` at the live edge
    Roznica dlugosc;     // how long, while it is
  };

  // Reads nothing until the first Krok. The archive is refreshed by its owner.
  CiszaStacji(std::shared_ptr<Archive> archiwum, Ustawienia u);

  // Analyses what is new: the newest file's new audio, then files not yet analysed,
  // newest first, for about a second. True when files wait to be analysed (call again at
  // once); false when everything is analysed up to the newest audio or `przerwij` was seen
  // set. Never raises for what the files hold.
  bool Krok(const std::atomic<bool>* przerwij = nullptr);

  // The silent stretches at least `minimalna` long, in time order, disjoint.
  std::vector<ZakresCzasu> Cisze() const;
  // Grows by one with every change of Cisze().
  uint64_t Wersja() const;
  NaZywo StanNaZywo() const;
  // Files (or their new parts) analysed by decoding since this object was made, and the
  // seconds of audio decoded for them.
  int64_t Analizy() const;
  double Zdekodowane() const;


 private:
  using Odcinki = std::vector<ZakresCzasu>;
  // Analyses `plik` (its runs on the timeline) as far as needed; false when stopped.
  bool Analizuj(const String& plik, const Odcinki& odcinki, const struct stat& st, bool przyrost,
                const std::atomic<bool>* przerwij);
  // Builds the result from the entries of the files in `pliki`.
  void Zloz(const std::map<String, Odcinki>& pliki, Czas koniecAudio);
  String Stacja() const { return archiwum->Konfiguracja().stacja; }

  std::shared_ptr<Archive> archiwum;
  const Ustawienia u;
  AnalizaCiszy analiza;
  PamiecCiszy pamiec;
  bool wczytana = false;
  String bladZapisu;       // the reason the last save failed, logged once
  bool bezZasobow = false; // an analysis was put off for want of descriptors, logged once
  Czas zapisano;           // when the file was last written (the clock of the steps)
  bool doZapisu = false;   // entries changed since

  mutable std::mutex sekcja;  // guards what follows
  std::vector<ZakresCzasu> wynik;
  uint64_t wersja = 0;
  NaZywo naZywo;
  Czas ciszaNaZywoOd;
  int64_t analizy = 0;
};
