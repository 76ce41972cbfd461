#include "ui/DialogZapisuQt.h"

#include <QDir>
#include <QFileDialog>

std::optional<DialogZapisu::Wybor> DialogZapisuQt::Pokaz(const String& proponowana) {
  QFileDialog d(rodzic, "Eksport");
  // The platform's own dialog may change the current directory and cannot be driven by
  // the window's tests; Qt's own does neither.
  d.setOption(QFileDialog::DontUseNativeDialog);
  d.setAcceptMode(QFileDialog::AcceptSave);
  d.setFileMode(QFileDialog::AnyFile);
  d.setNameFilters({kFiltrOryginalny, kFiltrPcm});
  d.setDirectory(katalog.isEmpty() ? QDir::homePath() : katalog);
  // The proposed name comes from a station's name: shown as the text it is.
  d.selectFile(QString::fromStdString(proponowana));
  if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return std::nullopt;
  Wybor w;
  const QString plik = d.selectedFiles().front();
  w.plik = plik.toStdString();
  w.pcm = d.selectedNameFilter() == kFiltrPcm;
  return w;
}
