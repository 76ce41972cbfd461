// korwendo-export: the headless exporter of the archive's recordings;
// `korwendo-export --help` tells how to call it (see OpcjeEksportu and HeadlessExporter).
#include <exception>
#include <memory>

#include "commandline/TerminalReport.h"
#include "core/Log.h"
#include "core/SygnalyKonca.h"
#include "korwendo-export/HeadlessExporter.h"
#include "korwendo-export/OpcjeEksportu.h"
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
  // Nothing is replaced unasked: an export over existing files needs --overwrite.
  if (const auto odmowa = OdmowaZastapienia(opcje)) {
    ReportToTerminal(*odmowa, "podaj inną nazwę w --output albo --overwrite, aby zastąpić");
    return 1;
  }
  SygnalyKonca::Zablokuj();
  try {
    HeadlessExporter e(std::move(opcje));
    return e.Uruchom();
  } catch (const std::exception& e) {
    return ReportFailure(e);
  }
}
