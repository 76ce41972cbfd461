#pragma once
// The row of date and time digit panels as the main window places it: day tens and
// units, the month (wide), the year, a blank, hour tens and units, ":", minute tens and
// units, ":", second tens and units, ".", tenths; each panel 28 pixels high. The
// summer-time label is a sibling of the row (a child of the row's parent), so that the
// space under the row is free for the parent's other widgets; PolozEtykieteLata puts it
// under the row's right end. The widget owns the labels; a CzasNaPanelach shows the time
// on them. Window thread only.
#include <QWidget>
#include <array>

#include "axis/CzasNaPanelach.h"

class QLabel;

class PaneleCzasu : public QWidget {
 public:
  explicit PaneleCzasu(QWidget* parent = nullptr);
  ~PaneleCzasu() override;
  PaneleCzasu(const PaneleCzasu&) = delete;
  PaneleCzasu& operator=(const PaneleCzasu&) = delete;

  // Moves the summer-time label under the row's right end; after each move of the row.
  void PolozEtykieteLata();

  // p[0]..p[10] the digit panels, p[11] the summer-time label.
  const std::array<QLabel*, CzasNaPanelach::kPanele>& Panele() const { return p; }

 private:
  std::array<QLabel*, CzasNaPanelach::kPanele> p{};
};
