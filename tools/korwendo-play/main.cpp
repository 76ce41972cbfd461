// korwendo-play: the headless player of the archive's stations; `korwendo-play --help`
// tells how to call it (see OpcjeOdtwarzacza). Commands on standard input: play, stop,
// seek +5s | -1m | TIME, station NAME, quit. With --capture, each "time" line is followed
// by "captured N": the sample frames recorded (over all the capture's files) before the
// one heard at that time.
#include <QCoreApplication>
#include <QTimer>

#include <exception>
#include <memory>

#include "commandline/TerminalReport.h"
#include "core/Log.h"
#include "core/SygnalyKonca.h"
#include "korwendo-play/HeadlessPlayer.h"
#include "korwendo-play/OpcjeOdtwarzacza.h"
#include "player/KatalogUstawien.h"

int main(int argc, char** argv) {
  LiniaOdtwarzacza linia;
  OpcjeOdtwarzacza opcje;
  const auto wyjscie = ReadCommandLine(linia, argc, argv, [&] {
    opcje = linia.Opcje();
    // The log goes where the settings are, never into whatever directory we were started in.
    SetLogBaseDirectory(ResolveSettingsDirectory(opcje.katalog));
  });
  if (wyjscie) return *wyjscie;
  SygnalyKonca::Zablokuj();
  QCoreApplication app(argc, argv);
  int kod = 0;
  {
    std::unique_ptr<HeadlessPlayer> p;
    try {
      p = std::make_unique<HeadlessPlayer>(opcje);
    } catch (const std::exception& e) {
      return ReportFailure(e);
    }
    QTimer::singleShot(0, p.get(), [&p] { p->Start(); });
    kod = app.exec();
  }
  return kod;
}
