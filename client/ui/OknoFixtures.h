#pragma once
// Test-only: the one application of a test process and a main window in a settings
// directory of its own, with a server list the test writes.
#include <QApplication>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <memory>

#include "axis/AxisFixtures.h"
#include "support/TempDir.h"
#include "ui/TForm3.h"

namespace okno_ui {

// The window over the settings in `katalog`; KorwendoGra.ini gets `ini` when it is not empty.
inline std::unique_ptr<TForm3> Okno(const TempDir& katalog, const std::string& ini = {}, OpcjeOkna o = {}) {
  axis_test::Aplikacja();
  if (!ini.empty()) std::ofstream(katalog / "KorwendoGra.ini", std::ios::binary) << ini;
  o.katalog = katalog.Path();
  auto f = std::make_unique<TForm3>(o);
  f->FormCreate();
  return f;
}

// Turns the event loop until `warunek` holds or 3 s have passed; whether it holds. The
// window's first tick may come late on a loaded machine, so a test waits for what it checks.
template <class F>
bool Czekaj(F warunek) {
  for (int i = 0; i < 300 && !warunek(); ++i) QTest::qWait(10);
  return warunek();
}

// Runs `akcja` on the modal dialog or popup of type W that opens after `otworz`: during
// `otworz` when it runs a modal loop of its own, else while the event loop turns after it,
// until the dialog has been handled or 5 s have passed. Whether it was handled.
template <class W, class A>
bool ZDialogiem(const std::function<void()>& otworz, A akcja) {
  bool zrobione = false;
  QTimer t;
  t.setInterval(10);
  QObject::connect(&t, &QTimer::timeout, [&] {
    QWidget* w = QApplication::activeModalWidget();
    if (w == nullptr) w = QApplication::activePopupWidget();
    if (auto* d = dynamic_cast<W*>(w); d != nullptr && !zrobione) {
      zrobione = true;
      t.stop();
      akcja(d);
    }
  });
  t.start();
  otworz();
  for (int i = 0; i < 500 && !zrobione; ++i) QTest::qWait(10);
  return zrobione;
}

}  // namespace okno_ui
