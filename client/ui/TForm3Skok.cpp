// Going to a typed moment: the button beside the digit panels (Ctrl+G and Ctrl+Shift+C
// are keys, PolecenieKlawisza), and the clipboard.
#include <QClipboard>
#include <QGuiApplication>
#include <QToolButton>

#include "axis/PaneleCzasu.h"
#include "ui/TForm3.h"
#include "window/LogikaOkna.h"

namespace {
constexpr int kSzerokoscSkoku = 36;
}  // namespace

void TForm3::ZbudujSkok() {
  PrzyciskSkoku = new QToolButton(centralWidget());
  PrzyciskSkoku->setText(BezSkrotow("Idź"));
  PrzyciskSkoku->setToolTip(QString::fromUtf8("Przejdź do (Ctrl+G)"));
  PrzyciskSkoku->setFocusPolicy(Qt::NoFocus);
  connect(PrzyciskSkoku, &QToolButton::clicked, this, [this] { Bezpiecznie([this] { logika->Skok().PrzejdzDo(); }); });
  PrzyciskSkoku->installEventFilter(this);
}

int TForm3::RozmiescSkok() {
  PrzyciskSkoku->setGeometry(Panel6->x() - 6 - kSzerokoscSkoku, 2, kSzerokoscSkoku, 28);
  return PrzyciskSkoku->x();
}

void TForm3::DoSchowka(const String& tekst) { QGuiApplication::clipboard()->setText(QString::fromStdString(tekst)); }
