#include "net/Metryki.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>

#include "core/ErrorText.h"
#include "net/Stacja.h"

namespace serwer {

namespace {

// A sample's value: integers as they are, other numbers to 15 significant digits (a time to the millisecond).
String Liczba(double v) {
  char b[32];
  std::snprintf(b, sizeof b, "%.15g", v);
  return b;
}

String Liczba(uint64_t v) { return std::to_string(v); }
String Liczba(int v) { return std::to_string(v); }

void Naglowek(String& t, const char* nazwa, const char* typ, const char* opis) {
  t += String("# HELP ") + nazwa + " " + opis + "\n# TYPE " + nazwa + " " + typ + "\n";
}

}  // namespace

Metryki::Metryki(const std::vector<std::unique_ptr<Stacja>>& s) : niesprawdzone(static_cast<int>(s.size())) {
  for (const auto& st : s) {
    stacje.push_back(std::make_unique<NaStacji>());
    stacje.back()->stacja = st.get();
    wedlugStacji.emplace(st.get(), stacje.back().get());
    // A station its owner looked at before the server runs is known already.
    if (st->Sprawdzona()) Sprawdzona(*st);
  }
}

Metryki::NaStacji* Metryki::Dla(const Stacja* s) const {
  const auto it = wedlugStacji.find(s);
  return it == wedlugStacji.end() ? nullptr : it->second;
}

void Metryki::Gracz(int zmiana) { gracze.fetch_add(zmiana, std::memory_order_relaxed); }

void Metryki::GraczNaStacji(const Stacja* z, const Stacja* na) {
  if (z == na) return;
  if (NaStacji* s = Dla(z)) s->gracze.fetch_sub(1, std::memory_order_relaxed);
  if (NaStacji* s = Dla(na)) s->gracze.fetch_add(1, std::memory_order_relaxed);
}

void Metryki::WyslanoAudio(size_t bajty) { bajtyAudio.fetch_add(bajty, std::memory_order_relaxed); }

void Metryki::Przewinieto() { przewiniecia.fetch_add(1, std::memory_order_relaxed); }

void Metryki::EksportZaczety() { eksportyTrwajace.fetch_add(1, std::memory_order_relaxed); }

void Metryki::EksportSkonczony(bool caly) {
  eksportyTrwajace.fetch_sub(1, std::memory_order_relaxed);
  if (caly) eksportyCale.fetch_add(1, std::memory_order_relaxed);
}

void Metryki::Spoznione() { spoznione.fetch_add(1, std::memory_order_relaxed); }

void Metryki::Sprawdzona(const Stacja& s) {
  NaStacji* n = Dla(&s);
  if (n && !n->sprawdzona.exchange(true)) niesprawdzone.fetch_sub(1, std::memory_order_release);
}

void Metryki::Zindeksowano(const Stacja& s) {
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch());
  if (NaStacji* n = Dla(&s)) n->zindeksowano.store(static_cast<double>(ms.count()) / 1000.0, std::memory_order_relaxed);
}

String Metryki::Etykieta(const String& w) {
  String e;
  e.reserve(w.size());
  for (const char c : w) {
    if (c == '\\') {
      e += "\\\\";
    } else if (c == '"') {
      e += "\\\"";
    } else if (c == '\n') {
      e += "\\n";
    } else {
      e += c;
    }
  }
  return e;
}

String Metryki::Tekst() const {
  String t;
  const auto stacja = [](const NaStacji& s) { return "{station=\"" + Etykieta(s.stacja->Nazwa()) + "\"}"; };

  Naglowek(t, "korwendo_build_info", "gauge", "The server's version; always 1.");
  t += "korwendo_build_info{version=\"" + Etykieta(VersionNumber()) + "\"} 1\n";
  Naglowek(t, "korwendo_ready", "gauge", "1 once the first look at every station's archive is done, else 0.");
  t += "korwendo_ready " + String(Gotowy() ? "1" : "0") + "\n";

  Naglowek(t, "korwendo_players", "gauge", "Connections that play.");
  t += "korwendo_players " + Liczba(gracze.load()) + "\n";
  Naglowek(t, "korwendo_station_players", "gauge", "Players listening to each station.");
  for (const auto& s : stacje) t += "korwendo_station_players" + stacja(*s) + " " + Liczba(s->gracze.load()) + "\n";
  Naglowek(t, "korwendo_audio_bytes_total", "counter", "Bytes of audio and export packets sent.");
  t += "korwendo_audio_bytes_total " + Liczba(bajtyAudio.load()) + "\n";
  Naglowek(t, "korwendo_seeks_total", "counter", "Seeks asked for by players.");
  t += "korwendo_seeks_total " + Liczba(przewiniecia.load()) + "\n";
  Naglowek(t, "korwendo_exports_running", "gauge", "Exports being sent.");
  t += "korwendo_exports_running " + Liczba(eksportyTrwajace.load()) + "\n";
  Naglowek(t, "korwendo_exports_total", "counter", "Exports sent whole.");
  t += "korwendo_exports_total " + Liczba(eksportyCale.load()) + "\n";
  Naglowek(t, "korwendo_audio_late_total", "counter",
           "Requests for audio (a seek, a station, play) whose first audio was sent late.");
  t += "korwendo_audio_late_total " + Liczba(spoznione.load()) + "\n";

  // The files of each archive, read once for both families.
  std::vector<Archive::StanPlikow> pliki;
  for (const auto& s : stacje) pliki.push_back(s->stacja->Archiwum().Pliki());
  Naglowek(t, "korwendo_archive_files", "gauge", "Archive files whose audio is indexed.");
  for (size_t i = 0; i < stacje.size(); ++i) {
    t += "korwendo_archive_files" + stacja(*stacje[i]) + " " + Liczba(pliki[i].odtwarzalne) + "\n";
  }
  Naglowek(t, "korwendo_archive_files_unreadable", "gauge", "Archive files that cannot be played, by reason.");
  for (size_t i = 0; i < stacje.size(); ++i) {
    for (const auto& [powod, ile] : pliki[i].nieodtwarzalne) {
      t += "korwendo_archive_files_unreadable{station=\"" + Etykieta(stacje[i]->stacja->Nazwa()) + "\",reason=\"" +
           Etykieta(powod) + "\"} " + Liczba(ile) + "\n";
    }
  }
  Naglowek(t, "korwendo_last_index_timestamp_seconds", "gauge",
           "When the last look at each station's archive ended (0: none yet).");
  for (const auto& s : stacje) {
    t += "korwendo_last_index_timestamp_seconds" + stacja(*s) + " " + Liczba(s->zindeksowano.load()) + "\n";
  }
  Naglowek(t, "korwendo_station_silent_seconds", "gauge",
           "How long each station's live recording has been silent (0: it is not).");
  for (const auto& s : stacje) {
    const CiszaStacji::NaZywo c = s->stacja->CiszaNaZywo();
    const double sekundy = c.cicho ? static_cast<double>(c.dlugosc.Wartosc()) / static_cast<double>(Roznica::Sekunda.Wartosc()) : 0.0;
    t += "korwendo_station_silent_seconds" + stacja(*s) + " " + Liczba(sekundy) + "\n";
  }
  return t;
}

}  // namespace serwer
