#pragma once
// The export engine of korwendo-export (ExporterOkna), as the window's logic drives it:
// the Exporter with the command line's fixed choice of file in place of the save dialog.
// Unlike the window's engine it writes only the packets of the export it started (from
// Start until Finish; a packet before or after is dropped), and of those only what the
// request asked for (GraniceEksportu: the first packet beyond is reported to the owner and
// neither it nor any after it is written). It tells its owner of each packet before writing
// it (for the progress bar), and reports a file that cannot be written or finished to its
// owner instead of raising, so that the exporter ends with its own message.
//
// The exporter's loop thread only.
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/String.h"
#include "export/DialogZapisu.h"
#include "export/Exporter.h"
#include "export/KanalEksportu.h"
#include "korwendo-export/GraniceEksportu.h"
#include "window/ExporterOkna.h"

class EksportZLinii : public ExporterOkna {
 public:
  // What the owner is told; each may be empty.
  struct Zdarzenia {
    // A packet of the running export, before it is written.
    std::function<void(const PaczkaAudio& p)> paczka;
    // Writing a packet failed (the export still runs), and why.
    std::function<void(const String& blad)> bladZapisu;
    // Finishing the file failed (the export has ended, the file let go of), and why.
    std::function<void(const String& blad)> bladKonca;
    // The server sent beyond what the request asked for (GraniceEksportu::Sprawdz's
    // reason); nothing more of this export is written.
    std::function<void(const String& powod)> nadmiar;
  };

  // The export to `plik` (else the name proposed for the station and the intervals), in
  // 16-bit PCM (`pcm`) or the recorded format; the request goes through `kanal`.
  EksportZLinii(std::unique_ptr<KanalEksportu> kanal, std::optional<String> plik, bool pcm, Zdarzenia z);

  bool IsExporting() override { return exporter.IsExporting(); }
  // Sends the request; raises what the Exporter raises.
  bool Start(Przedzialy& przedzialy) override;
  void AddPacket(PaczkaAudio& p) override;
  void Finish() override;

  std::vector<String> Pliki() const override { return exporter.Pliki(); }

 private:
  // The command line's choice, asked nothing.
  class DialogStaly : public DialogZapisu {
   public:
    DialogStaly(std::optional<String> p, bool c) : plik(std::move(p)), pcm(c) {}
    std::optional<Wybor> Pokaz(const String& proponowana) override { return Wybor{plik ? *plik : proponowana, pcm}; }
    void UstawKatalog(const String&) override {}

   private:
    std::optional<String> plik;
    bool pcm;
  };

  std::unique_ptr<KanalEksportu> kanal;  // before the exporter, which uses it
  DialogStaly dialog;
  Exporter exporter;
  Zdarzenia zdarzenia;
  std::optional<GraniceEksportu> granice;  // of the running export
  bool nadmiar = false;                    // the running export went beyond them
};
