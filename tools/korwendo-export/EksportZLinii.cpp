#include "korwendo-export/EksportZLinii.h"

#include <exception>

EksportZLinii::EksportZLinii(std::unique_ptr<KanalEksportu> k, std::optional<String> plik, bool pcm, Zdarzenia z)
    : kanal(std::move(k)), dialog(std::move(plik), pcm), exporter(kanal.get()), zdarzenia(std::move(z)) {}

bool EksportZLinii::Start(Przedzialy& przedzialy) {
  const bool biegl = exporter.IsExporting();
  const bool wyslany = exporter.Start(przedzialy, dialog);
  if (wyslany && !biegl) {
    granice.emplace(przedzialy);
    nadmiar = false;
  }
  return wyslany;
}

void EksportZLinii::AddPacket(PaczkaAudio& p) {
  // The Exporter would open a file for a packet that no export of ours asked for.
  if (!exporter.IsExporting() || nadmiar) return;
  if (const std::optional<String> powod = granice->Sprawdz(p)) {
    nadmiar = true;
    if (zdarzenia.nadmiar) zdarzenia.nadmiar(*powod);
    return;
  }
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
