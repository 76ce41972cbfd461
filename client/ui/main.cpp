// KorwendoGra: the desktop player of the archive servers' stations; `KorwendoGra --help`
// tells how to call it (see OpcjeKorwendoGra).
#include <QApplication>
#include <QMessageBox>
#include <QSocketNotifier>

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "korwendo-play/HeadlessPlayer.h"

#include "commandline/TerminalReport.h"
#include "core/Log.h"
#include "ui/OpcjeKorwendoGra.h"
#include "ui/RaportAwarii.h"
#include "ui/TEditString.h"
#include "ui/TForm3.h"

int main(int argc, char** argv) {
  LiniaOkna linia;
  OpcjeOkna opcje;
  const auto wyjscie = ReadCommandLine(linia, argc, argv, [&] {
    opcje = linia.Opcje();
    // The log goes where the settings are, never into whatever directory we were started in.
    SetLogBaseDirectory(opcje.katalog);
  });
  if (wyjscie) return *wyjscie;
  // Without a display Qt aborts at start, which would read as a crash: said plainly instead.
  auto zmienna = [](const char* n) { const char* v = std::getenv(n); return v != nullptr && *v != '\0'; };
  if (!zmienna("QT_QPA_PLATFORM") && !zmienna("DISPLAY") && !zmienna("WAYLAND_DISPLAY")) {
    ReportToTerminal("nie ma ekranu: ani DISPLAY, ani WAYLAND_DISPLAY nie jest ustawione",
                     "uruchom KorwendoGra w sesji graficznej albo graj bez okna: korwendo-play");
    return 1;
  }
  opcje.diagnostyka = DebugMarker();
  InstalujRaportAwarii(opcje.katalog + "/log");
  // SIGINT, SIGTERM and SIGHUP close the window as its close box does, so that the
  // position reached and the settings are saved; blocked before any thread starts.
  ZablokujSygnalyKonca();

  QApplication app(argc, argv);
  QApplication::setApplicationName("KorwendoGra");
  std::unique_ptr<TForm3> okno;
  try {
    okno = std::make_unique<TForm3>(opcje);
    okno->FormCreate();
  } catch (const std::exception& e) {
    // A failure of the start-up itself: said to the user, as the platform would.
    Log(2, String("start: ") + e.what(), KG_WHERE);
    QMessageBox box(QMessageBox::Critical, "KorwendoGra", QString::fromStdString(e.what()));
    box.setTextFormat(Qt::PlainText);
    box.exec();
    return ReportFailure(e);
  }
  okno->show();
  sigset_t konca;
  sigemptyset(&konca);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&konca, s);
  const int sygnaly = ::signalfd(-1, &konca, SFD_CLOEXEC | SFD_NONBLOCK);
  std::unique_ptr<QSocketNotifier> notyfikator;
  if (sygnaly >= 0) {
    notyfikator = std::make_unique<QSocketNotifier>(sygnaly, QSocketNotifier::Read);
    QObject::connect(notyfikator.get(), &QSocketNotifier::activated, okno.get(), [&] {
      signalfd_siginfo i{};
      if (::read(sygnaly, &i, sizeof i) == static_cast<ssize_t>(sizeof i)) okno->close();
    });
  }
  const int kod = app.exec();
  notyfikator.reset();
  if (sygnaly >= 0) ::close(sygnaly);
  okno.reset();
  return kod;
}
