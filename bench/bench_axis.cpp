// The time axis on the window's 10 ms tick: 1600 x 169 pixels, five bands, a day of
// demo-like recordings, events and markers. Each tick advances the time by 10 ms (the
// pace of playing), then the host's Invalidate and Paint run; a layer change repaints
// every band in full. Goals: a tick under 0.5 ms at p99, a full redraw under 5 ms, and
// per tick only the newly exposed columns repainted.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <chrono>
#include <vector>

#include "axis/OsPlayera.h"
#include "axis/QtDrawer.h"
#include "bench/BenchSupport.h"
#include "core/TimeZone.h"

namespace {

QGuiApplication* Aplikacja() {
  static QGuiApplication* app = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char nazwa[] = "bench_axis";
    static char* argv[] = {nazwa, nullptr};
    return new QGuiApplication(argc, argv);
  }();
  return app;
}

Czas Dnia(int h, int m) {
  SystemTime s;
  s.wYear = 2024;
  s.wMonth = 5;
  s.wDay = 1;
  s.wHour = static_cast<uint16_t>(h);
  s.wMinute = static_cast<uint16_t>(m);
  return Czas::ZKalendarza(s);
}

// An axis of 1600 x 169 with a day of the demo server's schedule and 60 days before.
struct Os {
  Os() {
    Aplikacja();
    TimeZone::Reset(TimeZone::ZRegulyPosix("CET-1CEST,M3.5.0,M10.5.0/3"));
    ekran = drawer.BitmapaEkranu(Rect{0, 0, 1600, 169});
    os.SetBitmap(ekran.get());
    Przedzialy nagrania, wiadomosci, reklamy, zaznaczenie;
    TypMarkerow sygnaly;
    for (int h = 0; h < 24; ++h) {
      nagrania.Add(Przedzial(Dnia(h, 0), Dnia(h, 20) - Roznica()));
      nagrania.Add(Przedzial(Dnia(h, 22), Dnia(h, 59)));
      wiadomosci.Add(Przedzial(Dnia(h, 0), Dnia(h, 5)));
      reklamy.Add(Przedzial(Dnia(h, 15), Dnia(h, 17)));
      reklamy.Add(Przedzial(Dnia(h, 45), Dnia(h, 47)));
      for (int m : {10, 30, 50}) sygnaly.Dodaj(Dnia(h, m));
    }
    nagrania.Add(Przedzial(Dnia(0, 0) - Roznica::Dzien * 60, Dnia(0, 0)));
    zaznaczenie.Add(Przedzial(Dnia(11, 40), Dnia(12, 10)));
    os.UstawPrzedzialy(0, nagrania);
    os.UstawPrzedzialy(1, zaznaczenie);
    os.UstawPrzedzialy(2, wiadomosci);
    os.UstawPrzedzialy(3, reklamy);
    os.UstawMarkeryWydarzenia(0, sygnaly);
    os.UstawOd(Dnia(11, 40));
    os.UstawDo(Dnia(12, 10));
    t = Dnia(12, 16);
    os.Set(t);
    Tik();
  }
  ~Os() { TimeZone::Reset(); }
  void Tik() {
    os.Invalidate();
    os.Paint();
  }
  // Columns the bands' caches painted in the last tick.
  int64_t Kolumny() {
    int64_t n = 0;
    for (int k = 0; k < OsCzasu4::kPasma; ++k) {
      if (os.Pasmo(k)->Cache() != nullptr) n += os.Pasmo(k)->Cache()->MalowaneKolumny();
    }
    return n;
  }

  QtDrawer drawer;
  std::unique_ptr<Bitmap> ekran;
  OsPlayera os;
  Czas t;
};

double Ms(std::chrono::steady_clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The tick while playing: the time moves 10 ms, the axis draws.
void AxisTick(benchmark::State& state) {
  Os o;
  std::vector<double> ms;
  int64_t kolumny = 0;
  int64_t najwiecej = 0;
  for (auto _ : state) {
    o.t += Roznica::Milisekunda * 10;
    const auto a = std::chrono::steady_clock::now();
    o.os.Set(o.t);
    o.Tik();
    const auto b = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(b - a).count());
    ms.push_back(Ms(b - a));
    const int64_t k = o.Kolumny();
    kolumny += k;
    najwiecej = std::max(najwiecej, k);
  }
  bench::Percentyle(state, ms);
  state.counters["columns_per_tick"] = static_cast<double>(kolumny) / static_cast<double>(ms.size());
  state.counters["columns_max"] = static_cast<double>(najwiecej);
}
BENCHMARK(AxisTick)->Iterations(6000)->UseManualTime()->Unit(benchmark::kMicrosecond);

// A layer change (the export selection) repaints every band in full.
void AxisFullRedraw(benchmark::State& state) {
  Os o;
  std::vector<double> ms;
  int64_t kolumny = 0;
  int i = 0;
  for (auto _ : state) {
    Przedzialy zaznaczenie;
    zaznaczenie.Add(Przedzial(Dnia(11, 40 + i % 10), Dnia(12, 10)));
    ++i;
    const auto a = std::chrono::steady_clock::now();
    o.os.UstawPrzedzialy(1, zaznaczenie);
    o.Tik();
    const auto b = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(b - a).count());
    ms.push_back(Ms(b - a));
    kolumny += o.Kolumny();
  }
  bench::Percentyle(state, ms);
  state.counters["columns_per_redraw"] = static_cast<double>(kolumny) / static_cast<double>(ms.size());
}
BENCHMARK(AxisFullRedraw)->Iterations(300)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
