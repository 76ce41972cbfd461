// KorwendoGra: the desktop player of the archive servers' stations; `KorwendoGra --help`
// tells how to call it (see OpcjeKorwendoGra).
#include <QApplication>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QTranslator>

#include <cstdlib>
#include <memory>
#include <optional>

#include "commandline/TerminalReport.h"
#include "core/Log.h"
#include "core/SygnalyKonca.h"
#include "ui/JednaInstancja.h"
#include "ui/OpcjeKorwendoGra.h"
#include "ui/RaportAwarii.h"
#include "ui/TEditString.h"
#include "ui/TForm3.h"
#include "ui/Tlumaczenia.h"

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
  SygnalyKonca::Zablokuj();

  QApplication app(argc, argv);
  QApplication::setApplicationName("KorwendoGra");
  QTranslator tlumaczenia;
  ZaladujTlumaczeniaQt(tlumaczenia);
  // One window per user and settings: a later start hands its link to the running one,
  // which goes there and comes to the front.
  const QString katalog = QString::fromStdString(opcje.katalog);
  if (JednaInstancja::PrzekazDzialajacej(katalog, QString::fromStdString(opcje.link))) return 0;
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
  JednaInstancja jedna;
  QString bladGniazda;
  if (!jedna.Sluchaj(katalog, [&](const QString& link) { okno->Przywolaj(link.toStdString()); }, &bladGniazda)) {
    Log(1, "okno: bez gniazda jednej instancji: " + bladGniazda.toStdString(), KG_WHERE);
  }
  // Without a signalfd the window still works; the signals then wait unread.
  std::optional<SygnalyKonca> sygnaly;
  try {
    sygnaly.emplace();
  } catch (const std::exception& e) {
    Log(2, String("sygnały: ") + e.what(), KG_WHERE);
  }
  std::unique_ptr<QSocketNotifier> notyfikator;
  if (sygnaly) {
    notyfikator = std::make_unique<QSocketNotifier>(sygnaly->Deskryptor(), QSocketNotifier::Read);
    QObject::connect(notyfikator.get(), &QSocketNotifier::activated, okno.get(), [&] {
      if (sygnaly->Odbierz()) okno->close();
    });
  }
  const int kod = app.exec();
  notyfikator.reset();
  sygnaly.reset();
  okno.reset();
  return kod;
}
