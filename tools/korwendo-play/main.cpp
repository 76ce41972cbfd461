// korwendo-play: the headless player of the archive's stations.
//   korwendo-play (--server HOST:PORT ... | --config DIR) [--list]
//                 [--station NAME] [--at TIME] [--seconds N]
//                 [--audio pulse|null] [--capture FILE.wav]
// Commands on standard input: play, stop, seek +5s | -1m | TIME, station NAME, quit.
// With --capture, each "time" line is followed by "captured N": the sample frames recorded
// (over all the capture's files) before the one heard at that time.
#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <exception>
#include <vector>

#include "HeadlessPlayer.h"
#include "KatalogUstawien.h"
#include "Log.h"

namespace {

int Uzycie() {
  std::fputs(
      "usage: korwendo-play (--server HOST:PORT ... | --config DIR) [--list]\n"
      "                     [--station NAME] [--at TIME] [--seconds N]\n"
      "                     [--audio pulse|null] [--capture FILE.wav]\n"
      "  TIME: ISO 8601 UTC (2026-12-10T08:30:00Z) or 16 hexadecimal digits\n"
      "  commands on standard input: play, stop, seek +5s|-1m|TIME, station NAME, quit\n"
      "  prints \"time TIME\" (the moment heard) once a second; with --capture (which records\n"
      "  what was heard, as heard) each is followed by \"captured N\": the sample frames\n"
      "  recorded before the one heard at that moment, over all the files recorded\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<String> argumenty(argv + 1, argv + argc);
  for (const String& a : argumenty) {
    if (a == "--help" || a == "-h") {
      Uzycie();
      return 0;
    }
  }
  OpcjeOdtwarzacza opcje;
  try {
    opcje = ParsujOpcje(argumenty);
    // The log goes where the settings are, never into whatever directory we were started in.
    SetLogBaseDirectory(ResolveSettingsDirectory(opcje.katalog));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "korwendo-play: %s\n", e.what());
    return Uzycie();
  }
  ZablokujSygnalyKonca();
  QCoreApplication app(argc, argv);
  int kod = 0;
  {
    std::unique_ptr<HeadlessPlayer> p;
    try {
      p = std::make_unique<HeadlessPlayer>(opcje);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "korwendo-play: %s\n", e.what());
      return 1;
    }
    QTimer::singleShot(0, p.get(), [&p] { p->Start(); });
    kod = app.exec();
  }
  return kod;
}
