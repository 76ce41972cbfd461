#pragma once
// The time on the digit panels: a time component shown on a row of twelve labels (day
// tens and units, the regional month name, the year, hour, minute and second digits, the
// tenths of a second, and "Czas letni" or "Czas zimowy" under the row), in local time as
// Czas::Lokalny gives it. A left click on a digit panel moves the time forward by the
// panel's step, any other button back; the listener is then told. Window thread only.
#include <QObject>
#include <array>

#include "core/Czas.h"
#include "core/Roznica.h"
#include "display/TimeComponent.h"

class QLabel;

class CzasNaPanelach : public QObject, public TimeComponent {
 public:
  static constexpr int kPanele = 12;

  // Takes the eleven digit panels and the summer-time label, in the order above (they
  // must outlive this object), gives the digit panels their bold 16-pixel "Courier New"
  // and listens to their mouse presses. Shows nothing until the first Set.
  explicit CzasNaPanelach(const std::array<QLabel*, kPanele>& panele);
  ~CzasNaPanelach() override;

  // The time last shown; zero before the first.
  Czas Get() override;
  // Shows cz; a time before 1602-01-01 changes nothing.
  void Set(Czas cz) override;
  // A press of `lewy` (left) or another button on digit panel k: the time moves by the
  // panel's step forward or back, and the listener is told.
  void MouseDown(int k, bool lewy);

  // The step of digit panel k: 10 days, 1 day, 30 days, 365 days, 10 h, 1 h, 10 min,
  // 1 min, 10 s, 1 s, 100 ms.
  static Roznica Krok(int k);

 protected:
  bool eventFilter(QObject* o, QEvent* e) override;

 private:
  std::array<QLabel*, kPanele> p;
  Czas czas;
};
