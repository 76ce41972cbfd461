#pragma once
// The export engine as the main window drives it (ExporterOkna): the Exporter with the
// window's save dialog. The dialog, and a channel given, are not owned and must outlive it.
// Window thread only.
#include <memory>

#include "export/DialogZapisu.h"
#include "export/Exporter.h"
#include "export/KanalEksportu.h"
#include "window/ExporterOkna.h"

class ExporterZDialogiem : public ExporterOkna {
 public:
  ExporterZDialogiem(KanalEksportu* kanal, DialogZapisu* d) : exporter(kanal), dialog(d) {}
  // Over the player core `p` (not owned, outliving it) through a channel of its own.
  ExporterZDialogiem(EsencjaPlayera& p, DialogZapisu* d)
      : wlasnyKanal(std::make_unique<KanalPlayera>(&p)), exporter(wlasnyKanal.get()), dialog(d) {}

  bool IsExporting() override { return exporter.IsExporting(); }
  // False (nothing sent) when the user cancels the dialog.
  bool Start(Przedzialy& przedzialy) override { return exporter.Start(przedzialy, *dialog); }
  void AddPacket(PaczkaAudio& p) override { exporter.AddPacket(p); }
  void Finish() override { exporter.Finish(); }
  std::vector<String> Pliki() const override { return exporter.Pliki(); }

  Exporter& DajExporter() { return exporter; }

 private:
  std::unique_ptr<KanalPlayera> wlasnyKanal;  // before the exporter, which uses it
  Exporter exporter;
  DialogZapisu* dialog;
};
