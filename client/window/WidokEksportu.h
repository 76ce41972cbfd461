#pragma once
// The export list, the export row (button, progress gauge, remaining time), the window's
// height that shows or hides that row, and the hints of the "Od"/"Do" buttons, as the
// export list (ListaEksportu) sets them. Window (GUI) thread only; every call returns
// without waiting.
#include "core/String.h"

class WidokEksportu {
 public:
  static constexpr int kWysokosc = 348;          // down to the marking buttons
  static constexpr int kWysokoscEksportu = 380;  // with the export row

  // The export list: shown or hidden and its text.
  virtual void PokazListeEksportu(bool widoczna) = 0;
  virtual void UstawListeEksportu(const String& tekst) = 0;
  // The window's fixed height (kWysokosc or kWysokoscEksportu).
  virtual void UstawWysokosc(int wysokosc) = 0;
  // The export button's caption ("Eksportuj" / "Przerwij eksport").
  virtual void UstawPrzyciskEksportu(const String& s) = 0;
  // The progress gauge: shown with its maximum (and position 0) or hidden; its position.
  virtual void PokazPostepEksportu(bool widoczny, int maksimum) = 0;
  virtual void UstawPostepEksportu(int pozycja) = 0;
  // The file being written, named on the gauge beside its percentage (its name alone).
  virtual void UstawPlikEksportu(const String& nazwa) = 0;
  // After an export that wrote files: the offer to open the folder of `plik` (a path);
  // empty takes the offer back.
  virtual void ZaproponujFolder(const String& plik) = 0;
  // The remaining-time label: shown or hidden, its text.
  virtual void PokazPozostalyCzas(bool widoczny) = 0;
  virtual void UstawPozostalyCzas(const String& s) = 0;
  // The hints of the "Od" and "Do" buttons.
  virtual void UstawPodpowiedzOd(const String& s) = 0;
  virtual void UstawPodpowiedzDo(const String& s) = 0;
  virtual ~WidokEksportu() = default;
};
