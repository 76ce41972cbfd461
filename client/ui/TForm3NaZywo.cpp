// The live edge in the window: the "Na żywo" button beside the events button, and the
// live indicator in the status bar between the message and the version, so that the
// messages and their timeouts never cover it.
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>

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
  StatusNaZywo->setFixedWidth(kSzerokoscNaZywo);
  QFont f = StatusNaZywo->font();
  f.setBold(true);
  StatusNaZywo->setFont(f);
  QPalette p = StatusNaZywo->palette();
  p.setColor(QPalette::WindowText, QColor(0xC0, 0x00, 0x00));
  StatusNaZywo->setPalette(p);
  // Always there, empty while not live, so that nothing beside it moves.
  statusBar()->addPermanentWidget(StatusNaZywo);
}

void TForm3::UstawNaZywo(bool widoczny) {
  StatusNaZywo->setText(widoczny ? QString::fromUtf8("Na żywo") : QString());
}
