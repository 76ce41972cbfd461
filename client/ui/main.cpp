// KorwendoGra: the desktop player of the archive servers' stations; `KorwendoGra --help`
// tells how to call it (see OpcjeKorwendoGra).
#include <QApplication>
#include <QMessageBox>

#include <memory>

#include "Log.h"
#include "OpcjeKorwendoGra.h"
#include "RaportAwarii.h"
#include "TForm3.h"
#include "TEditString.h"
#include "TerminalReport.h"

int main(int argc, char** argv) {
  LiniaOkna linia;
  OpcjeOkna opcje;
  const auto wyjscie = ReadCommandLine(linia, argc, argv, [&] {
    opcje = linia.Opcje();
    // The log goes where the settings are, never into whatever directory we were started in.
    SetLogBaseDirectory(opcje.katalog);
  });
  if (wyjscie) return *wyjscie;
  opcje.diagnostyka = DebugMarker();
  InstalujRaportAwarii(opcje.katalog + "/log");

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
  const int kod = app.exec();
  okno.reset();
  return kod;
}
