// Going to a typed moment (Ctrl+G and the button beside the digit panels) and copying the
// link of the moment heard (Ctrl+Shift+C).
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
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
  connect(PrzyciskSkoku, &QToolButton::clicked, this, [this] { Bezpiecznie([this] { logika->PrzejdzDo(); }); });
  PrzyciskSkoku->installEventFilter(this);
}

int TForm3::RozmiescSkok() {
  PrzyciskSkoku->setGeometry(Panel6->x() - 6 - kSzerokoscSkoku, 2, kSzerokoscSkoku, 28);
  return PrzyciskSkoku->x();
}

bool TForm3::KlawiszSkoku(QKeyEvent* k) {
  const Qt::KeyboardModifiers m =
      k->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier | Qt::MetaModifier);
  if (k->key() == Qt::Key_G && m == Qt::ControlModifier) {
    Bezpiecznie([this] { logika->PrzejdzDo(); });
    return true;
  }
  if (k->key() == Qt::Key_C && m == (Qt::ControlModifier | Qt::ShiftModifier)) {
    Bezpiecznie([this] { logika->KopiujLink(); });
    return true;
  }
  return false;
}

void TForm3::DoSchowka(const String& tekst) { QGuiApplication::clipboard()->setText(QString::fromStdString(tekst)); }
