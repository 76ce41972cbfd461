#include "core/TimeZone.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include "core/CallTrace.h"
#include "core/Exception.h"
#include "core/Kalendarz.h"
#include "core/Log.h"
#include "core/Plik.h"

namespace {

constexpr int64_t kTickowSekundy = 10000000;

// ---- POSIX TZ rule strings ----

[[noreturn]] void BlednaRegula(std::string_view text) {
  KG_ERROR("Bledna regula strefy czasowej (" + String(text) + ")");
}

class ParserPosix {
 public:
  explicit ParserPosix(std::string_view text) : s_(text) {}

  bool Koniec() const { return i_ >= s_.size(); }
  bool Jest(char c) {
    if (i_ < s_.size() && s_[i_] == c) {
      ++i_;
      return true;
    }
    return false;
  }
  char Biezacy() const { return i_ < s_.size() ? s_[i_] : '\0'; }

  // "<...>" (letters, digits, '+', '-') or a run of letters; at least three characters.
  bool Nazwa(String& out) {
    out.clear();
    if (Jest('<')) {
      while (i_ < s_.size() && s_[i_] != '>') {
        const char c = s_[i_];
        if (!(Litera(c) || Cyfra(c) || c == '+' || c == '-')) return false;
        out += c;
        ++i_;
      }
      if (!Jest('>')) return false;
    } else {
      while (i_ < s_.size() && Litera(s_[i_])) out += s_[i_++];
    }
    return out.size() >= 3;
  }

  // [+-]hh[:mm[:ss]] in seconds, hours up to `maxGodzin`.
  bool Przesuniecie(int32_t& sekundy, int maxGodzin) {
    int znak = 1;
    if (Jest('-')) {
      znak = -1;
    } else {
      Jest('+');
    }
    int h = 0;
    int m = 0;
    int s = 0;
    if (!Liczba(h, 3) || h > maxGodzin) return false;
    if (Jest(':')) {
      if (!Liczba(m, 2) || m > 59) return false;
      if (Jest(':') && (!Liczba(s, 2) || s > 59)) return false;
    }
    sekundy = znak * (h * 3600 + m * 60 + s);
    return true;
  }

  // "Mm.w.d", "Jn" or "n", then an optional "/time".
  bool Regula(RegulaZmiany& r) {
    r = RegulaZmiany();
    if (Jest('M')) {
      r.rodzaj = RegulaZmiany::Rodzaj::DzienTygodnia;
      if (!Liczba(r.miesiac, 2) || r.miesiac < 1 || r.miesiac > 12) return false;
      if (!Jest('.') || !Liczba(r.tydzien, 1) || r.tydzien < 1 || r.tydzien > 5) return false;
      if (!Jest('.') || !Liczba(r.dzienTygodnia, 1) || r.dzienTygodnia > 6) return false;
    } else if (Jest('J')) {
      r.rodzaj = RegulaZmiany::Rodzaj::DzienJulianski;
      if (!Liczba(r.dzien, 3) || r.dzien < 1 || r.dzien > 365) return false;
    } else {
      r.rodzaj = RegulaZmiany::Rodzaj::DzienRoku;
      if (!Liczba(r.dzien, 3) || r.dzien > 365) return false;
    }
    if (Jest('/')) return Przesuniecie(r.sekundy, 167);
    return true;
  }

 private:
  static bool Litera(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
  static bool Cyfra(char c) { return c >= '0' && c <= '9'; }

  bool Liczba(int& out, int maxCyfr) {
    out = 0;
    int n = 0;
    while (i_ < s_.size() && Cyfra(s_[i_]) && n < maxCyfr) {
      out = out * 10 + (s_[i_++] - '0');
      ++n;
    }
    return n > 0 && !(i_ < s_.size() && Cyfra(s_[i_]));
  }

  std::string_view s_;
  size_t i_ = 0;
};

// Seconds to whole minutes, to the nearest.
int Minuty(int32_t sekundy) { return static_cast<int>(kalendarz::DzielWDol(sekundy + 30, 60)); }

// ---- TZif zone files ----

uint32_t Be32(const String& d, uint64_t at) {
  return (static_cast<uint32_t>(static_cast<unsigned char>(d[at])) << 24) |
         (static_cast<uint32_t>(static_cast<unsigned char>(d[at + 1])) << 16) |
         (static_cast<uint32_t>(static_cast<unsigned char>(d[at + 2])) << 8) |
         static_cast<uint32_t>(static_cast<unsigned char>(d[at + 3]));
}

struct NaglowekTzif {
  uint64_t isutcnt, isstdcnt, leapcnt, timecnt, typecnt, charcnt;
  uint64_t DlugoscDanych(uint64_t bajtyCzasu) const {
    return timecnt * bajtyCzasu + timecnt + typecnt * 6 + charcnt + leapcnt * (bajtyCzasu + 4) +
           isstdcnt + isutcnt;
  }
};

constexpr uint64_t kDlugoscNaglowka = 44;

NaglowekTzif CzytajNaglowek(const String& d, uint64_t at, const String& path) {
  if (d.size() < at + kDlugoscNaglowka || d.compare(at, 4, "TZif") != 0) {
    KG_ERROR("Plik strefy czasowej " + path + " nie jest w formacie TZif");
  }
  return NaglowekTzif{Be32(d, at + 20), Be32(d, at + 24), Be32(d, at + 28),
                      Be32(d, at + 32), Be32(d, at + 36), Be32(d, at + 40)};
}

// The fixed zone of the type in force after the last transition of one data block.
TimeZone StalaZBloku(const String& d, uint64_t at, const NaglowekTzif& n, uint64_t bajtyCzasu,
                     const String& path) {
  if (n.typecnt == 0 || d.size() < at + n.DlugoscDanych(bajtyCzasu)) {
    KG_ERROR("Plik strefy czasowej " + path + " jest uszkodzony");
  }
  const uint64_t typy = at + n.timecnt * bajtyCzasu;
  const uint64_t info = typy + n.timecnt;
  const uint64_t znaki = info + n.typecnt * 6;
  uint64_t typ = n.timecnt > 0 ? static_cast<unsigned char>(d[typy + n.timecnt - 1]) : 0;
  if (typ >= n.typecnt) KG_ERROR("Plik strefy czasowej " + path + " jest uszkodzony");
  const int32_t utoff = static_cast<int32_t>(Be32(d, info + typ * 6));
  const uint64_t nazwa = static_cast<unsigned char>(d[info + typ * 6 + 5]);
  TimeZone z;
  z.bias = -Minuty(utoff);
  z.standardName.clear();
  for (uint64_t k = nazwa; k < n.charcnt && d[znaki + k] != '\0'; ++k) z.standardName += d[znaki + k];
  return z;
}

bool ZwyklyPlik(const String& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

String KatalogStref() {
  const char* dir = std::getenv("TZDIR");
  return dir && *dir ? String(dir) : String("/usr/share/zoneinfo");
}

// The zone that TZ (or its absence) names; raises when it cannot be read.
TimeZone StrefaSystemowa(const char* tz) {
  if (tz == nullptr) {
    // No zone file: UTC, as for the C library.
    if (!ZwyklyPlik("/etc/localtime")) return TimeZone();
    return TimeZone::ZPliku("/etc/localtime");
  }
  String nazwa = tz;
  const bool tylkoPlik = !nazwa.empty() && nazwa[0] == ':';
  if (tylkoPlik) nazwa.erase(0, 1);
  if (nazwa.empty()) return TimeZone();
  const String path = nazwa[0] == '/' ? nazwa : KatalogStref() + "/" + nazwa;
  if (tylkoPlik) return TimeZone::ZPliku(path);
  if (ZwyklyPlik(path)) {
    try {
      return TimeZone::ZPliku(path);
    } catch (const Exception&) {
      // Not a zone file after all: the text may still be a rule. The caller cuts the
      // call chain back.
    }
  }
  return TimeZone::ZRegulyPosix(nazwa);
}

// ---- the process-wide record ----

std::atomic<const TimeZone*> g_biezaca{nullptr};
std::mutex g_zapis;

// Every record ever installed, never freed, so that references handed out stay valid.
std::vector<std::unique_ptr<TimeZone>>& Wszystkie() {
  static auto* wszystkie = new std::vector<std::unique_ptr<TimeZone>>();
  return *wszystkie;
}

const TimeZone* Zainstaluj(TimeZone strefa, bool zastap) {
  std::lock_guard<std::mutex> lock(g_zapis);
  const TimeZone* obecna = g_biezaca.load(std::memory_order_relaxed);
  if (obecna != nullptr && !zastap) return obecna;
  Wszystkie().push_back(std::make_unique<TimeZone>(std::move(strefa)));
  const TimeZone* nowa = Wszystkie().back().get();
  g_biezaca.store(nowa, std::memory_order_release);
  return nowa;
}

}  // namespace

TimeZone TimeZone::ZRegulyPosix(const String& text) {
  KG_TRACE("TimeZone::ZRegulyPosix(const String& text)");
  ParserPosix p(text);
  TimeZone z;
  int32_t standardowe = 0;
  if (!p.Nazwa(z.standardName) || !p.Przesuniecie(standardowe, 24)) BlednaRegula(text);
  z.bias = Minuty(standardowe);
  if (p.Koniec()) return z;

  if (!p.Nazwa(z.daylightName)) BlednaRegula(text);
  int32_t letnie = standardowe - 3600;
  if (!p.Koniec() && p.Biezacy() != ',' && !p.Przesuniecie(letnie, 24)) BlednaRegula(text);
  if (p.Jest(',')) {
    if (!p.Regula(z.daylightDate) || !p.Jest(',') || !p.Regula(z.standardDate) || !p.Koniec()) {
      BlednaRegula(text);
    }
  } else if (p.Koniec()) {
    // A daylight name without rules: the C library's default rules.
    z.daylightDate = RegulaZmiany{RegulaZmiany::Rodzaj::DzienTygodnia, 3, 0, 2, 0, 2 * 3600};
    z.standardDate = RegulaZmiany{RegulaZmiany::Rodzaj::DzienTygodnia, 11, 0, 1, 0, 2 * 3600};
  } else {
    BlednaRegula(text);
  }
  z.daylightBias = Minuty(letnie) - z.bias;
  if (z.daylightBias > 0) {
    // Negative summer time: the "daylight" time is the winter one. Turned round, the
    // rules keep their wall clocks, since each is stated in the time in force before it.
    z.bias += z.daylightBias;
    z.daylightBias = -z.daylightBias;
    std::swap(z.standardName, z.daylightName);
    std::swap(z.standardDate, z.daylightDate);
  }
  return z;
}

TimeZone TimeZone::ZPliku(const String& path) {
  KG_TRACE("TimeZone::ZPliku(const String& path)");
  // Zone files are a few kilobytes; anything far larger is not one.
  constexpr std::int64_t kLimit = 1 << 22;
  CalyPlik plik = CzytajCalyPlik(path, kLimit, true);
  if (plik.stan == CalyPlik::ZaDuzy) KG_ERROR("Plik strefy czasowej " + path + " jest za duży");
  if (plik.stan != CalyPlik::Wczytany) KG_ERROR("Nie można otworzyć pliku strefy czasowej " + path);
  const String d = std::move(plik.bajty);

  const NaglowekTzif v1 = CzytajNaglowek(d, 0, path);
  if (d[4] == '\0') return StalaZBloku(d, kDlugoscNaglowka, v1, 4, path);

  const uint64_t drugi = kDlugoscNaglowka + v1.DlugoscDanych(4);
  const NaglowekTzif v2 = CzytajNaglowek(d, drugi, path);
  const uint64_t dane = drugi + kDlugoscNaglowka;
  const uint64_t stopka = dane + v2.DlugoscDanych(8);
  if (d.size() < stopka + 2 || d[stopka] != '\n') {
    KG_ERROR("Plik strefy czasowej " + path + " jest uszkodzony");
  }
  const size_t koniec = d.find('\n', stopka + 1);
  if (koniec == String::npos) KG_ERROR("Plik strefy czasowej " + path + " jest uszkodzony");
  const String regula = d.substr(stopka + 1, koniec - stopka - 1);
  if (regula.empty()) return StalaZBloku(d, dane, v2, 8, path);
  return ZRegulyPosix(regula);
}

TimeZone TimeZone::Systemowa() {
  KG_TRACE("TimeZone::Systemowa()");
  const char* tz = std::getenv("TZ");
  const String opis = tz ? "TZ=" + String(tz) : String("/etc/localtime");
  std::optional<TimeZone> strefa;
  String blad;
  // A failure caught here leaves the entries of the traced calls it passed through; the
  // mark cuts the chain back to this function's own entry before it returns.
  TraceMarkDepth();
  try {
    strefa = StrefaSystemowa(tz);
  } catch (const Exception& e) {
    blad = e.Message();
  }
  TraceReturnToMark();
  if (strefa) return *strefa;
  Log(1, "Nie można odczytać strefy czasowej (" + opis + "), przyjęto UTC: " + blad, KG_WHERE);
  return TimeZone();
}

const TimeZone& TimeZone::Biezaca() {
  const TimeZone* p = g_biezaca.load(std::memory_order_acquire);
  if (p != nullptr) return *p;
  // Read outside the lock: reading may log, and two first callers may both read.
  return *Zainstaluj(Systemowa(), false);
}

void TimeZone::Reset(std::optional<TimeZone> strefa) {
  KG_TRACE("TimeZone::Reset(std::optional<TimeZone> strefa)");
  if (strefa) {
    Zainstaluj(std::move(*strefa), true);
  } else {
    std::lock_guard<std::mutex> lock(g_zapis);
    g_biezaca.store(nullptr, std::memory_order_release);
  }
}

int64_t TimeZone::SekundaZmiany(const RegulaZmiany& r, int64_t rok, int biasMinut) {
  int64_t dzien = 0;
  switch (r.rodzaj) {
    case RegulaZmiany::Rodzaj::Brak:
      return 0;
    case RegulaZmiany::Rodzaj::DzienTygodnia:
      if (r.tydzien >= 5) {
        // From the first day of the next month (January of the next year after December),
        // back to the last day of the rule's month, then back to its weekday.
        const int64_t ostatni = kalendarz::NumerDnia(rok, r.miesiac + 1, 1) - 1;
        dzien = ostatni - (kalendarz::DzienTygodnia(ostatni) - r.dzienTygodnia + 7) % 7;
      } else {
        const int64_t pierwszy = kalendarz::NumerDnia(rok, r.miesiac, 1);
        dzien = pierwszy + (r.dzienTygodnia - kalendarz::DzienTygodnia(pierwszy) + 7) % 7 +
                7 * (r.tydzien - 1);
      }
      break;
    case RegulaZmiany::Rodzaj::DzienJulianski:
      dzien = kalendarz::NumerDnia(rok, 1, 1) + r.dzien - 1 +
              (kalendarz::Przestepny(rok) && r.dzien >= 60 ? 1 : 0);
      break;
    case RegulaZmiany::Rodzaj::DzienRoku:
      dzien = kalendarz::NumerDnia(rok, 1, 1) + r.dzien;
      break;
  }
  return dzien * kalendarz::kSekundDoby + r.sekundy + int64_t{biasMinut} * 60;
}

bool TimeZone::Letni(Czas t) const {
  if (!MaCzasLetni()) return false;
  const int64_t sekunda = kalendarz::DzielWDol(t.Wartosc(), kTickowSekundy);
  const int64_t rok = kalendarz::DataDnia(kalendarz::DzielWDol(sekunda, kalendarz::kSekundDoby)).rok;
  const auto poczatek = [&](int64_t y) { return SekundaZmiany(daylightDate, y, bias + standardBias); };
  const auto koniec = [&](int64_t y) { return SekundaZmiany(standardDate, y, bias + daylightBias); };
  // Summer time of year y runs from its start to the first end after it: the same year's
  // in the north, the next year's where summer spans the new year. The neighbouring years
  // are looked at too, as a change may fall on the other side of a new year in UTC.
  for (int64_t y = rok - 1; y <= rok + 1; ++y) {
    const int64_t s = poczatek(y);
    const int64_t e = koniec(y);
    if (s < e) {
      if (s <= sekunda && sekunda < e) return true;
    } else if (s > e) {
      if (s <= sekunda && sekunda < koniec(y + 1)) return true;
    }
  }
  return false;
}

CzasLokalny TimeZone::Lokalny(Czas t) const {
  KG_TRACE("TimeZone::Lokalny(Czas t)");
  if (t.Wartosc() < 0) KG_ERROR("Bledny czas " + std::to_string(t.Wartosc()));
  CzasLokalny l;
  l.letni = Letni(t);
  const int64_t biasMinut = int64_t{bias} + (l.letni ? daylightBias : standardBias);
  int64_t lokalny = 0;
  if (__builtin_sub_overflow(t.Wartosc(), biasMinut * 60 * kTickowSekundy, &lokalny)) {
    KG_ERROR("Bledny czas " + std::to_string(t.Wartosc()));
  }
  l.lokalny = Czas(lokalny);
  static_cast<SystemTime&>(l) = kalendarz::Rozbij(lokalny);
  return l;
}

Czas TimeZone::ZLokalnego(Czas lokalny) const {
  KG_TRACE("TimeZone::ZLokalnego(Czas lokalny)");
  const auto utc = [&](int extra) {
    int64_t wynik = 0;
    if (__builtin_add_overflow(lokalny.Wartosc(), (int64_t{bias} + extra) * 60 * kTickowSekundy, &wynik)) {
      KG_ERROR("Bledny czas " + std::to_string(lokalny.Wartosc()));
    }
    return Czas(wynik);
  };
  const Czas zimowy = utc(standardBias);
  if (!MaCzasLetni()) return zimowy;
  const Czas letni = utc(daylightBias);
  const bool zimowyPasuje = !Letni(zimowy);
  const bool letniPasuje = Letni(letni);
  if (zimowyPasuje && letniPasuje) return std::min(zimowy, letni);
  if (letniPasuje) return letni;
  return zimowy;
}
