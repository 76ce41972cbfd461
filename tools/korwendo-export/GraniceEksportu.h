#pragma once
// What korwendo-export accepts from the server for the intervals it asked for: a server
// that sends more (audio of other times, the same audio again, more audio than the
// intervals hold, a new format more often than an archive changes its format) ends the
// export instead of filling the disk. Each audio packet is looked at before it is written:
//   - its format is a valid format of at most kMaksKbps (so that its bytes are bounded
//     by the time they last);
//   - it begins within an interval asked, kMargines either side (the server sends from
//     the frame that plays at an interval's begin to the one that plays at its end);
//   - it begins no more than kMargines before the packet before it (the server sends in
//     order; files that overlap a little may step back a little);
//   - the audio received, by its formats' bit rates, stays within kKrotnosc times the
//     intervals' sum plus kMargines an interval (the bit rate of a stream of varying bit
//     rate is the mean of its file, so a loud stretch counts longer than it plays);
//   - the format changes (its text, as AudioFormat writes it back) at most once an
//     interval plus once a minute of the intervals' sum (rounded up): an archive changes
//     the format of its recordings only from one file to the next, and its files last
//     a minute or more.
// A value type; the exporter's loop thread only.
#include <optional>
#include <vector>

#include "common/PaczkaAudio.h"
#include "core/Roznica.h"
#include "core/String.h"
#include "intervals/Przedzialy.h"

class GraniceEksportu {
 public:
  static constexpr int kMaksKbps = 6144;  // 16-bit stereo PCM at 192 kHz
  static constexpr Roznica kMargines = Roznica::Sekunda * 5;
  static constexpr int kKrotnosc = 2;

  // The bounds of an export of `przedzialy` (not empty).
  explicit GraniceEksportu(const Przedzialy& przedzialy);

  // Why `p` goes beyond what was asked, as the end of a sentence about the server
  // ("przysłał więcej, niż eksport prosił: ..."); none when it may be written, and then it
  // counts as received.
  std::optional<String> Sprawdz(const PaczkaAudio& p);

  int ZmianyFormatu() const { return zmiany; }
  int NajwiecejZmian() const { return najwiecejZmian; }

 private:
  std::vector<Przedzial> przedzialy;
  Roznica suma;
  Roznica najwiecej;  // the most audio accepted
  int najwiecejZmian = 0;
  Roznica audio = Roznica(0);
  std::optional<Czas> poprzedni;  // the beginning of the packet before
  String format;                  // the format of the packet before, written back
  int zmiany = 0;
};
