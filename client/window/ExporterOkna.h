#pragma once
// The export engine as the main window uses it: start an export of a list of intervals
// (the engine asks the user for the target file and format and sends the request to the
// server), write the audio packets that arrive, finish the file. Window thread only.
#include <vector>

#include "common/PaczkaAudio.h"
#include "core/String.h"
#include "intervals/Przedzialy.h"

class ExporterOkna {
 public:
  // True from a Start that succeeded until Finish.
  virtual bool IsExporting() = 0;
  // Starts exporting `przedzialy`; false when the engine declines (the user cancelled the
  // file dialog, the file cannot be made), and then nothing was sent.
  virtual bool Start(Przedzialy& przedzialy) = 0;
  // Writes the audio of one packet of the running export.
  virtual void AddPacket(PaczkaAudio& p) = 0;
  // Finishes the file of the running export (nothing when none runs).
  virtual void Finish() = 0;
  // The files the last export wrote, in order (kept after Finish until the next Start).
  virtual std::vector<String> Pliki() const { return {}; }
  virtual ~ExporterOkna() = default;
};
