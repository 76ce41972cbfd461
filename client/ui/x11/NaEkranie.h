#pragma once
// Test-only: what the tests under a real X server share: real X input (xdotool), waiting
// while events are processed, a screenshot as the X server shows a window, and a demo
// server (korwendo-server --demo, KG_SERVER) on a loopback port.
#include <QProcess>
#include <QScreen>
#include <QStringList>
#include <QTest>
#include <QWidget>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "ui/TForm3.h"

namespace {

inline bool Xdotool(const QStringList& argumenty) {
  QProcess p;
  p.start("xdotool", argumenty);
  return p.waitForFinished(5000) && p.exitCode() == 0;
}

// Waits, processing events, until `warunek` holds (at most `ms`).
template <class F>
bool Czekaj(F warunek, int ms) {
  for (int i = 0; i < ms / 10 && !warunek(); ++i) QTest::qWait(10);
  return warunek();
}

// The window as the X server shows it, saved under `nazwa`.
inline bool Zrzut(QWidget& w, const char* nazwa) {
  const QRect r = w.frameGeometry();
  const QImage zrzut = w.screen()->grabWindow(0, r.x(), r.y(), r.width(), r.height()).toImage();
  return !zrzut.isNull() && zrzut.save(nazwa);
}

// korwendo-server --demo on a free loopback port, stopped with the test.
// `port` 0 takes a free one; a given one lets a test start the server again where it was.
class SerwerDemo {
 public:
  explicit SerwerDemo(const std::string& archiwum, int port_ = 0) {
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(KG_SERVER, {"--demo", "--archive", QString::fromStdString(archiwum), "--listen",
                        "127.0.0.1:" + QString::number(port_)});
    const QByteArray znak = "listening on 127.0.0.1:";
    Czekaj(
        [&] {
          wyjscie += p.readAll();
          const qsizetype i = wyjscie.indexOf(znak);
          if (i >= 0) port = std::atoi(wyjscie.constData() + i + znak.size());
          return port > 0 || p.state() == QProcess::NotRunning;
        },
        20000);
  }
  ~SerwerDemo() {
    p.terminate();
    if (!p.waitForFinished(5000)) p.kill();
    p.waitForFinished(2000);
  }
  QProcess p;
  QByteArray wyjscie;
  int port = 0;
};

// The window's options for a newcomer's first look at `serwer`: its only server, its
// "Zegar" ten minutes back, the settings in `ustawienia`.
inline OpcjeOkna OpcjeNaDemo(const SerwerDemo& serwer, const std::filesystem::path& ustawienia) {
  const String adres = "127.0.0.1:" + std::to_string(serwer.port);
  OpcjeOkna o;
  o.katalog = ustawienia.string();
  o.serwery = {adres};
  o.stacja = "Zegar@" + adres;
  o.od = Czas::Teraz() - Roznica::Minuta * 10;
  return o;
}

// Whether the time heard moves (playing) over `ms`.
inline bool Gra(TForm3& f, int ms = 1200) {
  const Czas t = f.CzasOsi();
  QTest::qWait(ms);
  return f.CzasOsi() - t > Roznica::Milisekunda * (ms / 3);
}

// Whether it starts to play within `ms` (the engine fills its buffer first, in real time
// at the newest audio).
inline bool ZaczynaGrac(TForm3& f, int ms) {
  const Czas t = f.CzasOsi();
  if (!Czekaj([&] { return f.CzasOsi() - t > Roznica::Milisekunda * 300; }, ms)) return false;
  return Gra(f);
}

// A real click of mouse button `przycisk` at the middle of `w`.
inline bool Klik(QWidget* w, int przycisk = 1) {
  const QPoint p = w->mapToGlobal(w->rect().center());
  return Xdotool({"mousemove", QString::number(p.x()), QString::number(p.y()), "click", QString::number(przycisk)});
}

}  // namespace
