#include "korwendo-export/EksportZLinii.h"

#include <exception>

EksportZLinii::EksportZLinii(std::unique_ptr<KanalEksportu> k, std::optional<String> plik, bool pcm, Zdarzenia z)
    : kanal(std::move(k)), dialog(std::move(plik), pcm), exporter(kanal.get()), zdarzenia(std::move(z)) {}

bool EksportZLinii::Start(Przedzialy& przedzialy) { return exporter.Start(przedzialy, dialog); }

void EksportZLinii::AddPacket(PaczkaAudio& p) {
  // The Exporter would open a file for a packet that no export of ours asked for.
  if (!exporter.IsExporting()) return;
  if (zdarzenia.paczka) zdarzenia.paczka(p);
  String blad;
  try {
    exporter.AddPacket(p);
    return;
  } catch (const std::exception& e) {
    blad = e.what();
  }
  if (zdarzenia.bladZapisu) zdarzenia.bladZapisu(blad);
}

void EksportZLinii::Finish() {
  String blad;
  try {
    exporter.Finish();
    return;
  } catch (const std::exception& e) {
    blad = e.what();
  }
  if (zdarzenia.bladKonca) zdarzenia.bladKonca(blad);
}
