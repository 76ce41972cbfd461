#pragma once
// The row of date and time digit panels as the main window places it: day tens and
// units, the month (wide), the year, a blank, hour tens and units, ":", minute tens and
// units, ":", second tens and units, ".", tenths; each panel 28 pixels high; and the
// summer-time label under the row, right-aligned. The widget owns the labels; a
// CzasNaPanelach shows the time on them. Window thread only.
#include <QWidget>
#include <array>

#include "axis/CzasNaPanelach.h"

class QLabel;

class PaneleCzasu : public QWidget {
 public:
  explicit PaneleCzasu(QWidget* parent = nullptr);

  // p[0]..p[10] the digit panels, p[11] the summer-time label.
  const std::array<QLabel*, CzasNaPanelach::kPanele>& Panele() const { return p; }

 private:
  std::array<QLabel*, CzasNaPanelach::kPanele> p{};
};
