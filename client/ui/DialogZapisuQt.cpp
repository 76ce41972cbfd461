#include "ui/DialogZapisuQt.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

#include "export/Exporter.h"

QString DialogZapisuQt::PytanieOZastapienie(const std::vector<String>& pliki) {
  QString t = pliki.size() == 1 ? QString::fromUtf8("Plik już istnieje:\n")
                                : QString::fromUtf8("Te pliki już istnieją:\n");
  for (const String& p : pliki) t += "  " + QString::fromStdString(p) + "\n";
  return t + QString::fromUtf8("\nEksport je zastąpi. Zastąpić?");
}

std::optional<DialogZapisu::Wybor> DialogZapisuQt::Pokaz(const String& proponowana) {
  QFileDialog d(rodzic, "Eksport");
  // The platform's own dialog may change the current directory and cannot be driven by
  // the window's tests; Qt's own does neither.
  d.setOption(QFileDialog::DontUseNativeDialog);
  // The dialog would ask about the name as typed, before the export adds its extension:
  // the question is asked below, about the files the export will really write.
  d.setOption(QFileDialog::DontConfirmOverwrite);
  d.setAcceptMode(QFileDialog::AcceptSave);
  d.setFileMode(QFileDialog::AnyFile);
  d.setNameFilters({kFiltrOryginalny, kFiltrPcm});
  d.setDirectory(katalog.isEmpty() ? QDir::homePath() : katalog);
  // The proposed name comes from a station's name: shown as the text it is.
  d.selectFile(QString::fromStdString(proponowana));
  for (;;) {
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return std::nullopt;
    Wybor w;
    w.plik = d.selectedFiles().front().toStdString();
    w.pcm = d.selectedNameFilter() == kFiltrPcm;
    const std::vector<String> istniejace = Exporter::IstniejacePliki(w.plik, w.pcm);
    if (istniejace.empty()) return w;
    QMessageBox pytanie(QMessageBox::Warning, "Eksport", PytanieOZastapienie(istniejace),
                        QMessageBox::Yes | QMessageBox::No, rodzic);
    pytanie.setTextFormat(Qt::PlainText);
    pytanie.setDefaultButton(QMessageBox::No);
    if (pytanie.exec() == QMessageBox::Yes) return w;
    // No: the file dialog again, with the name typed, to choose another.
  }
}
