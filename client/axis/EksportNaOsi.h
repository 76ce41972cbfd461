#pragma once
// What the player's time axis needs of the main window to edit the export selection with
// a right click: the selection (the export list), the displayed event intervals cut to
// the recordings, the recordings, and the export list's own add and remove operations,
// which also refresh the axis's layer 1 and the list shown to the user.
#include "core/Czas.h"
#include "intervals/Przedzialy.h"

class EksportNaOsi {
 public:
  // The export list.
  virtual Przedzialy& ZaznaczenieEksportu() = 0;
  // The union of the displayed event intervals, cut to the recordings.
  virtual Przedzialy& WydarzeniaNaOsi() = 0;
  // Where audio was recorded.
  virtual Przedzialy& Nagrania() = 0;
  // Adds [od, do_] to the export list.
  virtual void DodajDoEksportu(Czas od, Czas do_) = 0;
  // Removes [od, do_] from the export list.
  virtual void UsunZEksportu(Czas od, Czas do_) = 0;
  virtual ~EksportNaOsi() = default;
};
