#pragma once
// The export's save dialog on Qt: a non-native QFileDialog with the filters
// "Format Oryginalny" (*.*) and "PCM" (*.wav). Before the export may replace files (by
// their final names, the extension added: Exporter::IstniejacePliki) it asks, naming
// them; "No" goes back to the file dialog. It
// changes nothing in the process's current directory; the directory it opens in is the
// one set last (the directory of the previous export), else the user's home. Window
// thread only.
#include <QString>

#include <vector>

#include "export/DialogZapisu.h"

class QWidget;

class DialogZapisuQt : public DialogZapisu {
 public:
  explicit DialogZapisuQt(QWidget* r) : rodzic(r) {}
  std::optional<Wybor> Pokaz(const String& proponowana) override;
  void UstawKatalog(const String& k) override { katalog = QString::fromStdString(k); }

  static constexpr const char* kFiltrOryginalny = "Format Oryginalny (*.*)";
  static constexpr const char* kFiltrPcm = "PCM (*.wav)";
  // The question asked before replacing `pliki`.
  static QString PytanieOZastapienie(const std::vector<String>& pliki);

 private:
  QWidget* rodzic;
  QString katalog;
};
