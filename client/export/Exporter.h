#pragma once
// The export engine: asks for a file name, sends the marked intervals to the server as an
// export request, and writes the audio the server sends back into files, either as
// received (MPEG audio to ".mp3", PCM to ".wav") or, when the user chose PCM, decoded to
// 16-bit PCM ".wav". It owns its own decoder, so an export runs beside playback.
//
// The exchange: Start sends the interval set described "export"; each "PaczkaAudio"
// described "export" goes to AddPacket; "koniecexportu" calls for Finish. Only the end
// packet finishes an export: a lost connection leaves it busy with its file open, and the
// file stays valid because the WAV writer patches its sizes after every write.
//
// Files: the chosen name plus the extension (not appended again when the name already
// ends in it); a change of format starts the next file, the name plus 2, 3, ...: in PCM
// mode at every change of the input format, in the recorded format when the compression
// word changes or a WAV file's format would change. A WAV file that would outgrow the
// 32-bit RIFF sizes goes on in the next file as well.
//
// All on the thread of the window (or the tool) that drives it; no lock.
#include <memory>
#include <optional>
#include <vector>

#include "common/AudioFormat.h"
#include "common/PaczkaAudio.h"
#include "common/WavWriter3.h"
#include "core/Plik.h"
#include "core/String.h"
#include "core/Writable.h"
#include "decoder/MasterDekoder.h"
#include "export/DialogZapisu.h"
#include "export/KanalEksportu.h"
#include "intervals/Przedzialy.h"

class Exporter {
 public:
  // Not exporting, no file. `kanal` (not owned) must outlive the exporter; `maksWav` is
  // the most sample bytes one WAV file takes (smaller only in tests).
  explicit Exporter(KanalEksportu* kanal, int64_t maksWav = WavWriter3::kMaksDanych);
  // Finish() quietly: a failure is logged.
  ~Exporter();
  Exporter(const Exporter&) = delete;
  Exporter& operator=(const Exporter&) = delete;

  // Asks `dialog` for the file (proposing NazwaProponowana of the station being played and
  // `przedzialy`, which must not be empty) and sends the export request. False when the
  // user cancelled. While an export runs: true at once, no dialog, no request.
  bool Start(Przedzialy& przedzialy, DialogZapisu& dialog);
  // Writes one received audio packet. Raises the file's errors, and those of a format text
  // that is not a valid format; a recorded format whose compression word is neither
  // "MPEG1" nor "PCM" is logged (level 2, "nieznany format " + format) and dropped.
  void AddPacket(PaczkaAudio& p);
  // Not exporting; the open file finished and closed. Safe without any file. Raises the
  // file's errors (the file is let go of anyway).
  void Finish();
  bool IsExporting() const { return exporting; }
  // The name of the next file: the chosen name, from the second file on followed by its
  // number, then `rozszerzenie`; a name that already ends in `rozszerzenie` (in any case
  // of letters) keeps its own and takes the number before it ("show.wav", "show2.wav").
  String NextFileName(const String& rozszerzenie);

  // Station + " " + the beginning of the intervals in local time, "d mmmm yyyy hh_nn_ss";
  // a path separator or a control character (from the station's name) becomes "_".
  static String NazwaProponowana(const String& stacja, const Przedzialy& przedzialy);

  // The files that already exist among those an export to `nazwa` may write, sorted: the
  // name with each extension it may take (".wav" for PCM; ".mp3" and ".wav" for the
  // recorded format, which the audio decides only once it arrives), and the same with a
  // number before the extension ("show2.wav"), as NextFileName makes them. An export
  // replaces these; ask before.
  static std::vector<String> IstniejacePliki(const String& nazwa, bool pcm);

  // The files started in this export, in order; kept after Finish until the next Start.
  const std::vector<String>& Pliki() const { return pliki; }
  bool Pcm() const { return pcm; }

 private:
  // A WAV output that goes on in the next file when the current one is full.
  class WyjscieWav;

  void Otworz(const String& rozszerzenie, const std::optional<AudioFormat>& wav);
  void Zamknij();

  KanalEksportu* kanal;
  int64_t maksWav;
  bool exporting = false;
  bool pcm = false;
  String nazwa;
  int licznik = 0;
  MasterDekoder dekoder;
  // The open file: one of the two, or neither; output points at it.
  std::unique_ptr<WyjscieWav> wav;
  std::unique_ptr<Plik> mp3;
  Writable* output = nullptr;
  // What the open file holds: the compression word, and for a WAV file its format text.
  String kompresjaPliku;
  String formatPliku;
  std::vector<String> pliki;
  std::vector<char> pcmBufor;  // the decoded PCM of one packet
};
