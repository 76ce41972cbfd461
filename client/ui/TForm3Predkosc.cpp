// The playing speed in the window: a button beside the volume showing the speed ("1,5×"),
// its menu of the speeds from 0,5× to 3×, the keys "[" and "]" (PolecenieKlawisza), and
// "Prędkość 1,5×" in the status bar beside the playing state while it is not 1×.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QToolButton>

#include "core/CallTrace.h"
#include "ui/TForm3.h"
#include "window/LogikaOkna.h"
#include "window/PredkoscGry.h"

namespace {

QString NapisPredkosci(int cwierci) { return QString::fromStdString(PredkoscGry::Napis(cwierci)); }

}  // namespace

void TForm3::ZbudujPredkosc() {
  StatusPredkosci = new QLabel(statusBar());
  StatusPredkosci->setTextFormat(Qt::PlainText);
  StatusPredkosci->setAlignment(Qt::AlignCenter);
  StatusPredkosci->hide();
  statusBar()->addPermanentWidget(StatusPredkosci);

  PrzyciskPredkosci = new QToolButton(statusBar());
  PrzyciskPredkosci->setAutoRaise(true);
  PrzyciskPredkosci->setFocusPolicy(Qt::NoFocus);  // the keypad's keys stay the window's
  PrzyciskPredkosci->setPopupMode(QToolButton::InstantPopup);
  PrzyciskPredkosci->setToolButtonStyle(Qt::ToolButtonTextOnly);
  PrzyciskPredkosci->setToolTip(QString::fromUtf8("Prędkość odtwarzania ([ wolniej, ] szybciej)"));
  // As wide as the widest speed, so that the volume beside it never moves.
  const QFontMetrics m(PrzyciskPredkosci->font());
  PrzyciskPredkosci->setFixedWidth(m.horizontalAdvance(NapisPredkosci(PredkoscGry::kNajwolniej + 1)) + 24);
  auto* menu = new QMenu(PrzyciskPredkosci);
  for (int c = PredkoscGry::kNajwolniej; c <= PredkoscGry::kNajszybciej; ++c) {
    QAction* a = menu->addAction(NapisPredkosci(c));
    a->setData(c);
    a->setCheckable(true);
    connect(a, &QAction::triggered, this, [this, c] { Bezpiecznie([this, c] { logika->Predkosc().Ustaw(c); }); });
  }
  PrzyciskPredkosci->setMenu(menu);
  statusBar()->addPermanentWidget(PrzyciskPredkosci);
  UstawPredkosc(PredkoscGry::kNormalna);
}

void TForm3::UstawPredkosc(int cwierci) {
  KG_TRACE("TForm3::UstawPredkosc(int cwierci)");
  PrzyciskPredkosci->setText(NapisPredkosci(cwierci));
  for (QAction* a : PrzyciskPredkosci->menu()->actions()) a->setChecked(a->data().toInt() == cwierci);
  StatusPredkosci->setText(QString::fromUtf8("Prędkość ") + NapisPredkosci(cwierci));
  StatusPredkosci->setVisible(cwierci != PredkoscGry::kNormalna);
}
