// The live edge in the window: the "Na żywo" button beside the events button, and the
// playing state in the status bar between the message and the version ("Na żywo" while
// live, "Zatrzymano" while stopped), so that the messages and their timeouts never cover
// it; Graj and Stop stay pressed while in force.
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>

#include <algorithm>

#include "ui/TForm3.h"
#include "window/LogikaOkna.h"

void TForm3::ZbudujNaZywo() {
  // In the row of "Gramy:", right of the events button: the button row below is full at
  // the window's narrowest (798 pixels), and here the digit panels begin further right.
  ButtonNaZywo = new QPushButton(BezSkrotow("Na żywo"), centralWidget());
  ButtonNaZywo->setGeometry(316, 35, 76, 27);
  ButtonNaZywo->installEventFilter(this);
  connect(ButtonNaZywo, &QPushButton::clicked, this, [this] { Bezpiecznie([this] { logika->Krawedz().NaZywo(); }); });

  StatusNaZywo = new QLabel(statusBar());
  StatusNaZywo->setTextFormat(Qt::PlainText);
  StatusNaZywo->setAlignment(Qt::AlignCenter);
  QFont f = StatusNaZywo->font();
  f.setBold(true);
  StatusNaZywo->setFont(f);
  const QFontMetrics m(f);
  StatusNaZywo->setFixedWidth(std::max(m.horizontalAdvance(QString::fromUtf8("Na żywo")),
                                       m.horizontalAdvance(QString::fromUtf8("Zatrzymano"))) + 12);
  // Always there, empty while playing behind the live edge, so that nothing beside it moves.
  statusBar()->addPermanentWidget(StatusNaZywo);
  for (QPushButton* b : {Button3, Button4}) b->setCheckable(true);
  PokazStanGry();
}

void TForm3::UstawNaZywo(bool widoczny) {
  naZywoPokazane = widoczny;
  PokazStanGry();
}

void TForm3::UstawZatrzymany(bool zatrzymany) {
  zatrzymanyPokazany = zatrzymany;
  PokazStanGry();
}

void TForm3::PokazStanGry() {
  // Live needs playing, so the two texts never compete.
  StatusNaZywo->setText(naZywoPokazane ? QString::fromUtf8("Na żywo")
                        : zatrzymanyPokazany ? QString::fromUtf8("Zatrzymano")
                                             : QString());
  QPalette p = StatusNaZywo->palette();
  p.setColor(QPalette::WindowText, naZywoPokazane ? QColor(0xC0, 0x00, 0x00) : QColor(0x40, 0x40, 0x40));
  StatusNaZywo->setPalette(p);
  Button3->setChecked(!zatrzymanyPokazany);
  Button4->setChecked(zatrzymanyPokazany);
}
