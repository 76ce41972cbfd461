#pragma once
// The export engine as the main window drives it (SilnikEksportu): the Exporter with the
// window's save dialog. The channel and the dialog are not owned and must outlive it.
// Window thread only.
#include "export/DialogZapisu.h"
#include "export/Exporter.h"
#include "export/KanalEksportu.h"
#include "window/SilnikEksportu.h"

class SilnikExportera : public SilnikEksportu {
 public:
  SilnikExportera(KanalEksportu* kanal, DialogZapisu* d) : exporter(kanal), dialog(d) {}

  bool IsExporting() override { return exporter.IsExporting(); }
  // False (nothing sent) when the user cancels the dialog.
  bool Start(Przedzialy& przedzialy) override { return exporter.Start(przedzialy, *dialog); }
  void AddPacket(PaczkaAudio& p) override { exporter.AddPacket(p); }
  void Finish() override { exporter.Finish(); }

  Exporter& DajExporter() { return exporter; }

 private:
  Exporter exporter;
  DialogZapisu* dialog;
};
