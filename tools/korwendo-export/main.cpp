// korwendo-export: the headless exporter of the archive's recordings;
// `korwendo-export --help` tells how to call it (see OpcjeEksportu and HeadlessExporter).
#include <exception>
#include <memory>

#include "commandline/TerminalReport.h"
#include "core/Log.h"
#include "korwendo-export/HeadlessExporter.h"
#include "korwendo-export/OpcjeEksportu.h"
#include "korwendo-play/HeadlessPlayer.h"
#include "player/KatalogUstawien.h"

int main(int argc, char** argv) {
  LiniaEksportu linia;
  OpcjeEksportu opcje;
  const auto wyjscie = ReadCommandLine(linia, argc, argv, [&] {
    opcje = linia.Opcje();
    // The log goes where the settings are, never into the directory the files go to.
    SetLogBaseDirectory(ResolveSettingsDirectory(std::nullopt));
  });
  if (wyjscie) return *wyjscie;
  ZablokujSygnalyKonca();
  try {
    HeadlessExporter e(std::move(opcje));
    return e.Uruchom();
  } catch (const std::exception& e) {
    return ReportFailure(e);
  }
}
