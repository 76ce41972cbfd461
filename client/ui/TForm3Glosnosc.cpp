// The volume: a slider and a mute button at the right of the status bar (shown whatever
// the sound output, the null one too), M to mute; the volume is the sound server's stream
// volume, remembered in the user's settings.
#include <QApplication>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>

#include "core/CallTrace.h"
#include "player/ListaStacji.h"
#include "ui/TForm3.h"
#include "window/SterowanieEsencji.h"

void TForm3::ZbudujGlosnosc() {
  Wycisz = new QToolButton(statusBar());
  Wycisz->setCheckable(true);
  Wycisz->setAutoRaise(true);
  Wycisz->setToolTip(QString::fromUtf8("Wycisz (M)"));
  Glosnosc = new QSlider(Qt::Horizontal, statusBar());
  Glosnosc->setRange(0, 100);
  Glosnosc->setSingleStep(5);
  Glosnosc->setPageStep(10);
  Glosnosc->setFixedWidth(90);
  Glosnosc->setFocusPolicy(Qt::NoFocus);  // the keypad's keys stay the window's
  Glosnosc->setToolTip(QString::fromUtf8("Głośność (M wycisza)"));
  statusBar()->addPermanentWidget(Wycisz);
  statusBar()->addPermanentWidget(Glosnosc);
  connect(Glosnosc, &QSlider::valueChanged, this, [this](int v) {
    listaStacji->UstawGlosnosc(v);
    ZastosujGlosnosc();
  });
  connect(Wycisz, &QToolButton::toggled, this, [this] { ZastosujGlosnosc(); });
}

void TForm3::ZastosujGlosnosc() {
  KG_TRACE("TForm3::ZastosujGlosnosc()");
  const bool cisza = Wycisz->isChecked() || Glosnosc->value() == 0;
  Wycisz->setIcon(style()->standardIcon(cisza ? QStyle::SP_MediaVolumeMuted : QStyle::SP_MediaVolume));
  Wycisz->setToolTip(Wycisz->isChecked() ? QString::fromUtf8("Włącz dźwięk (M)") : QString::fromUtf8("Wycisz (M)"));
  if (sterowanie != nullptr) sterowanie->UstawGlosnosc(Wycisz->isChecked() ? 0.0 : Glosnosc->value() / 100.0);
}
