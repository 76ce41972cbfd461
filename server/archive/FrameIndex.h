#pragma once
// Where the MPEG audio frames of one archive file lie, found by scanning frame headers
// (variable bit rate included), so that the frame that plays at a moment is found without
// reading the file again. The file is cut into segments: runs of frames of one stream
// format with no other bytes between them. A segment ends at an ID3v1 "TAG" block, at a
// change of format or at junk. Rotter leaves such blocks in the middle of MP3 files (a
// restart in the same hour, the hour repeated when clocks go back): the frame cut off by
// the block continues after it when the same encoder went on, and the index records the
// cut so that the frame can be joined again. The first segment's leading bytes (before its
// first frame) may finish the frame that the previous file's last segment cut off.
//
// The index grows with the file: Aktualizuj reads only what was not indexed before, so a
// file that is being written is indexed as it grows. A frame is indexed once it is whole.
// One thread at a time; callers serialise Aktualizuj with readers of Segmenty().
#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/Czas.h"
#include "core/String.h"
#include "mpeg/Mp3Header.h"

// An ID3v1 block: 128 bytes, "TAG", title, artist, album (30 bytes each), year (4),
// comment (30), genre (1); texts cut at their first zero byte and trailing spaces.
struct Id3v1 {
  static constexpr int kRozmiar = 128;

  String tytul;
  String wykonawca;
  String album;
  String rok;
  String komentarz;
  int gatunek = 255;

  // The block at b (kRozmiar bytes); nullopt when it does not begin with "TAG".
  static std::optional<Id3v1> Czytaj(const unsigned char* b);
  // The 128 bytes of this block, texts cut to their fields.
  void Zapisz(unsigned char* b) const;
  // The time value a title "Recorded YYYY-MM-DD HH:MM" states (as written: local wall
  // clock unless the archive is in UTC); nullopt for any other title.
  std::optional<Czas> Nagrany() const;
};

class FrameIndex {
 public:
  struct Segment {
    // The segment's first byte: the file start, or the byte after an ID3v2 tag, an
    // information frame ("Xing", "Info", "VBRI") or a TAG block.
    int64_t poczatek = 0;
    // The first frame's header; the bytes before it, from `poczatek`, are leading bytes.
    int64_t pierwszaRamka = 0;
    Mp3Header naglowek;
    // Frame k starts at pierwszaRamka + ramki[k]; frames follow each other without gaps.
    std::vector<uint32_t> ramki;
    // One past the last whole frame.
    int64_t koniec = 0;
    // Time runs on from the end of the previous segment of this file: its cut frame is
    // completed by this segment's leading bytes, or only junk lay between them.
    bool kontynuacja = false;
    // The bytes of a frame cut off after the last whole frame (0: none) and the first of
    // them (up to four), from which the cut frame's header is known.
    int reszta = 0;
    unsigned char resztaGlowa[4] = {0, 0, 0, 0};
    // Nothing will be appended to this segment any more.
    bool zamkniety = false;
    // The ID3v1 block that ends the segment.
    std::optional<Id3v1> tag;
    // The layer III back pointer of the first frame (bytes of earlier frames that it
    // needs); 0 for other layers.
    int mainDataBegin = 0;

    int64_t LiczbaRamek() const { return static_cast<int64_t>(ramki.size()); }
    // When frame k begins, counted from the segment's first frame (every frame of one
    // stream plays the same number of samples, whatever its bit rate), and the frame that
    // plays `d` after it (not limited to the frames indexed).
    Roznica CzasRamki(int64_t k) const {
      return Roznica(k * naglowek.SamplesPerFrame() * 10'000'000LL / naglowek.GetSampling());
    }
    int64_t RamkaW(Roznica d) const {
      return d.Wartosc() * naglowek.GetSampling() / (10'000'000LL * naglowek.SamplesPerFrame());
    }
    Roznica Dlugosc() const { return CzasRamki(LiczbaRamek()); }
    // The offset of frame k; k == LiczbaRamek() gives `koniec`.
    int64_t Offset(int64_t k) const {
      return k < LiczbaRamek() ? pierwszaRamka + ramki[static_cast<size_t>(k)] : koniec;
    }
    int64_t Wiodace() const { return pierwszaRamka - poczatek; }
    // The first bytes at `poczatek` (up to four): with a cut frame's first bytes in the
    // previous file they make that frame's header.
    unsigned char wiodaceGlowa[4] = {0, 0, 0, 0};
  };

  FrameIndex();
  ~FrameIndex();
  FrameIndex(const FrameIndex&) = delete;
  FrameIndex& operator=(const FrameIndex&) = delete;

  // Indexes what the file open as `fd` holds beyond what was indexed, up to `rozmiar`
  // bytes, and returns true. Returns false when it sees `przerwij` set (looked at once
  // for every MiB scanned, after the first): the index stays whole up to where it
  // stopped, and the next call goes on from there. Raises the system error form when the
  // file cannot be read.
  bool Aktualizuj(int fd, int64_t rozmiar, const std::atomic<bool>* przerwij = nullptr);
  const std::vector<Segment>& Segmenty() const { return segmenty; }
  // Frames in all segments.
  int64_t LiczbaRamek() const;
  // How far the file has been examined.
  int64_t Pozycja() const { return pozycja; }
  // The file's first kBezRamek bytes (after an ID3v2 tag) hold no frame: it is no audio
  // file, and it is not scanned further, however large (Aktualizuj then does nothing).
  static constexpr int64_t kBezRamek = 1 << 20;
  bool BezAudio() const { return bezAudio; }

  // Two headers of one stream: the same version, layer, sampling rate, and both mono or
  // both not.
  static bool Zgodne(Mp3Header a, Mp3Header b);
  // The layer III back pointer of the frame whose first n bytes are at `ramka`; 0 for other
  // layers; -1 when n is too short to hold it.
  static int MainDataBegin(const unsigned char* ramka, int n);
  // True when the frame whose first n bytes are at `ramka` is an information frame
  // written by encoders in place of the first audio frame ("Xing", "Info", "VBRI").
  static bool RamkaInformacyjna(const unsigned char* ramka, int n);

 private:
  enum class Stan { Miedzy, WSegmencie };
  class Okno;

  bool ZacznijSegment(Okno& o);
  bool NastepnaRamka(Okno& o);
  void Zamknij(Segment& s, int64_t reszta, const unsigned char* glowa, const unsigned char* tag);
  // Position of the first frame at or after `od` confirmed by the header after it; -1 when
  // none is known yet (the search goes on from `szukajOd` next time). A TAG block met first
  // is skipped.
  int64_t Znajdz(Okno& o, int64_t od, bool& tag);

  std::vector<Segment> segmenty;
  Stan stan = Stan::Miedzy;
  int64_t pozycja = 0;
  int64_t szukajOd = 0;
  bool nastepnyCiagly = false;
  // The frame after whose header junk was searched last, up to `szukajOd`; -1: none.
  int64_t smieciPo = -1;
  bool bezAudio = false;
};
