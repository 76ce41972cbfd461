#pragma once
// What the silence analysis of one station learned, kept in a file beside its archive so
// that a restart does not analyse again. For each file of the archive (by its path
// relative to the archive's root): the file as it was when analysed (inode, size,
// modification time), the settings, the spans of its audio analysed (one for each run of
// it on the timeline) and the silent stretches found in them. A text file, one line a
// file, fields separated by a tab:
//   PATH  INODE  SIZE  MTIME  THRESHOLD  MINIMUM  SPANS  STRETCHES  ERROR
// with times and lengths in 100-ns ticks, the threshold in hundredths of a dB, a list of
// spans "BEGIN-END,BEGIN-END" (empty: none), and ERROR empty unless the file could not be
// analysed. The first line names the format; lines of another form are skipped.
// One thread at a time.
#include <cstdint>
#include <map>
#include <vector>

#include "archive/AnalizaCiszy.h"
#include "archive/Archive.h"
#include "core/Czas.h"
#include "core/String.h"

class PamiecCiszy {
 public:
  struct Wpis {
    uint64_t ino = 0;
    int64_t rozmiar = 0;
    Czas mtime;
    UstawieniaCiszy ustawienia;
    std::vector<ZakresCzasu> odcinki;  // analysed: from each run's first sample on
    std::vector<ZakresCzasu> cisze;
    String blad;  // why it could not be analysed: it is skipped until it changes
    bool operator==(const Wpis&) const = default;
  };

  // Nothing is read until Wczytaj. An empty path keeps everything in memory only.
  explicit PamiecCiszy(String sciezka);

  // Reads the file: the entries it holds replace those held. A missing file holds none;
  // for one that cannot be read, the system's reason is returned (empty: read).
  String Wczytaj();
  // Writes every entry (to a temporary file renamed over the old one, so that a reader or
  // a crash never sees half of it). Empty when written, else the system's reason.
  String Zapisz() const;

  const String& Sciezka() const { return sciezka; }

  std::map<String, Wpis> wpisy;  // by path relative to the archive

 private:
  String sciezka;
};
