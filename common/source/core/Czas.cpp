#include "core/Czas.h"

#include <time.h>

#include <cerrno>

#include "core/CallTrace.h"
#include "core/Exception.h"
#include "core/Kalendarz.h"
#include "core/RegionalNames.h"
#include "core/TimeZone.h"

namespace {

constexpr int64_t kTickowSekundy = 10000000;
constexpr int64_t kTickowDoby = kTickowSekundy * kalendarz::kSekundDoby;
// Ticks from 1601-01-01 to 1970-01-01, the epoch of the system clock.
constexpr int64_t kTicki1601Do1970 = kalendarz::kDni1601Do1970 * kTickowDoby;

// Two digits of v modulo 100, with a leading zero.
String DwieCyfry(unsigned v) {
  v %= 100;
  return String(1, static_cast<char>('0' + v / 10)) + static_cast<char>('0' + v % 10);
}

// The year as the two digits of its century and the two of its year of century.
String Rok4(unsigned rok) { return DwieCyfry(rok / 100) + DwieCyfry(rok); }

String Godzina(const SystemTime& l) {
  return DwieCyfry(l.wHour) + ":" + DwieCyfry(l.wMinute) + ":" + DwieCyfry(l.wSecond);
}

// The length of the run of `c` starting at `i`.
size_t Powtorzenia(const String& s, size_t i, char c) {
  size_t n = 0;
  while (i + n < s.size() && s[i + n] == c) ++n;
  return n;
}

// Whether the pattern has a day number ("d" or "dd", not a weekday name).
bool MaNumerDnia(const String& wzor) {
  for (size_t i = 0; i < wzor.size();) {
    const size_t n = Powtorzenia(wzor, i, wzor[i]);
    if (wzor[i] == 'd' && (n % 4 == 1 || n % 4 == 2)) return true;
    i += n;
  }
  return false;
}

}  // namespace

namespace kalendarz {

SystemTime Rozbij(int64_t ticks) {
  const int64_t dzien = DzielWDol(ticks, kTickowDoby);
  const int64_t reszta = ticks - dzien * kTickowDoby;
  const Data d = DataDnia(dzien);
  const int64_t ms = reszta / 10000;
  SystemTime st;
  st.wYear = static_cast<uint16_t>(d.rok);
  st.wMonth = static_cast<uint16_t>(d.miesiac);
  st.wDayOfWeek = static_cast<uint16_t>(DzienTygodnia(dzien));
  st.wDay = static_cast<uint16_t>(d.dzien);
  st.wHour = static_cast<uint16_t>(ms / 3600000);
  st.wMinute = static_cast<uint16_t>(ms / 60000 % 60);
  st.wSecond = static_cast<uint16_t>(ms / 1000 % 60);
  st.wMilliseconds = static_cast<uint16_t>(ms % 1000);
  return st;
}

}  // namespace kalendarz

Czas Czas::Zaokraglij(Roznica krok) const {
  KG_ASSERT(krok.Wartosc() != 0);
  return Czas(value_ / krok.Wartosc() * krok.Wartosc());
}

Czas Czas::Teraz() {
  KG_TRACE("Czas::Teraz()");
  timespec ts{};
  KG_SYSCHECK(clock_gettime(CLOCK_REALTIME, &ts) == 0);
  return Czas(kTicki1601Do1970 + static_cast<int64_t>(ts.tv_sec) * kTickowSekundy + ts.tv_nsec / 100);
}

String Czas::NapisHex() const {
  KG_TRACE("Czas::NapisHex()");
  static constexpr char kCyfry[] = "0123456789ABCDEF";
  String s(16, '0');
  uint64_t v = static_cast<uint64_t>(value_);
  for (int i = 15; i >= 0; --i) {
    s[static_cast<size_t>(i)] = kCyfry[v & 0xF];
    v >>= 4;
  }
  return s;
}

Czas Czas::ZNapisuHex(std::string_view text) {
  KG_TRACE("Czas::ZNapisuHex(std::string_view text)");
  if (text.size() != 16) {
    KG_ERROR("ma byc 16 a jest " + std::to_string(text.size()) + "! (" + String(text) + ")");
  }
  Czas c;
  if (!CzytajHex(text, c)) {
    for (const char z : text) {
      if (!((z >= '0' && z <= '9') || (z >= 'A' && z <= 'F'))) {
        KG_ERROR("błędna cyfra szesnastkowa '" + String(1, z) + "' w (" + String(text) + ")");
      }
    }
  }
  return c;
}

CzasLokalny Czas::Lokalny() const {
  KG_TRACE("Czas::Lokalny()");
  return TimeZone::Biezaca().Lokalny(*this);
}

int Czas::DzienMiesiaca() const {
  KG_TRACE("Czas::DzienMiesiaca()");
  return Lokalny().wDay;
}

SystemTime Czas::Kalendarz() const {
  KG_TRACE("Czas::Kalendarz()");
  if (value_ < 0) KG_ERROR("Bledny czas " + std::to_string(value_));
  return kalendarz::Rozbij(value_);
}

Czas Czas::ZKalendarza(const SystemTime& d) {
  KG_TRACE("Czas::ZKalendarza(const SystemTime& d)");
  if (d.wYear < 1601 || d.wMonth < 1 || d.wMonth > 12 || d.wDay < 1 ||
      d.wDay > kalendarz::DniMiesiaca(d.wYear, d.wMonth) || d.wHour > 23 || d.wMinute > 59 ||
      d.wSecond > 59 || d.wMilliseconds > 999) {
    KG_ERROR("Bledna data " + std::to_string(d.wYear) + "-" + std::to_string(d.wMonth) + "-" +
             std::to_string(d.wDay) + " " + std::to_string(d.wHour) + ":" + std::to_string(d.wMinute) +
             ":" + std::to_string(d.wSecond) + "." + std::to_string(d.wMilliseconds));
  }
  const int64_t dzien = kalendarz::NumerDnia(d.wYear, d.wMonth, d.wDay);
  const int64_t ms = ((int64_t{d.wHour} * 60 + d.wMinute) * 60 + d.wSecond) * 1000 + d.wMilliseconds;
  return Czas(dzien * kTickowDoby + ms * 10000);
}

Czas Czas::ZLokalnego(Czas lokalny) {
  KG_TRACE("Czas::ZLokalnego(Czas lokalny)");
  return TimeZone::Biezaca().ZLokalnego(lokalny);
}

String Czas::Napis() const {
  KG_TRACE("Czas::Napis()");
  if (value_ == 0) return "---";
  const CzasLokalny l = Lokalny();
  return DwieCyfry(l.wDay) + " " + RegionalNames::Biezace().Miesiac(l.wMonth) + " " + Rok4(l.wYear) +
         " " + Godzina(l);
}

String Czas::NapisKrotki() const {
  KG_TRACE("Czas::NapisKrotki()");
  if (value_ == 0) return "---";
  const CzasLokalny l = Lokalny();
  return DwieCyfry(l.wDay) + "/" + RegionalNames::Biezace().MiesiacSkrocony(l.wMonth) + "/" +
         Rok4(l.wYear) + " " + Godzina(l);
}

String Czas::NapisDokladny() const {
  KG_TRACE("Czas::NapisDokladny()");
  if (value_ == 0) return "---";
  const CzasLokalny l = Lokalny();
  return Napis() + "." + std::to_string(value_ % kTickowSekundy) +
         (l.letni ? " czas letni" : " czas zimowy");
}

String Czas::Formatuj(const String& co) const {
  KG_TRACE("Czas::Formatuj(const String& co)");
  // Before 1700-12-08 no real time is set; the axis shows a dash.
  if (value_ < (Roznica::Dzien * 36500).Wartosc()) return "-";
  const CzasLokalny l = Lokalny();
  if (co == "data") {
    return DwieCyfry(l.wDay) + " " + RegionalNames::Biezace().Miesiac(l.wMonth) + " " + Rok4(l.wYear);
  }
  if (co == "godzina") return Godzina(l);
  if (co == "d") return DwieCyfry(l.wDay);
  if (co == "h") return DwieCyfry(l.wHour);
  if (co == "m") return DwieCyfry(l.wMinute);
  if (co == "s") return DwieCyfry(l.wSecond);
  return String();
}

String Czas::FormatujWzorem(const String& wzor) const {
  KG_TRACE("Czas::FormatujWzorem(const String& wzor)");
  const CzasLokalny l = Lokalny();
  const RegionalNames& nazwy = RegionalNames::Biezace();
  const bool zDniem = MaNumerDnia(wzor);
  const auto liczba = [](unsigned v, bool dwieCyfry) { return dwieCyfry ? DwieCyfry(v) : std::to_string(v); };
  String out;
  for (size_t i = 0; i < wzor.size();) {
    const char c = wzor[i];
    const size_t n = Powtorzenia(wzor, i, c);
    // The longest token that the run of this letter starts with.
    size_t uzyte = 0;
    switch (c) {
      case 'd':
        uzyte = std::min<size_t>(n, 4);
        if (uzyte == 4) out += nazwy.DzienTygodnia(l.wDayOfWeek);
        if (uzyte == 3) out += nazwy.DzienTygodniaSkrocony(l.wDayOfWeek);
        if (uzyte <= 2) out += liczba(l.wDay, uzyte == 2);
        break;
      case 'm':
        uzyte = std::min<size_t>(n, 4);
        if (uzyte == 4) out += zDniem ? nazwy.Miesiac(l.wMonth) : nazwy.MiesiacSamodzielny(l.wMonth);
        if (uzyte == 3) out += nazwy.MiesiacSkrocony(l.wMonth);
        if (uzyte <= 2) out += liczba(l.wMonth, uzyte == 2);
        break;
      case 'y':
        if (n >= 4) {
          uzyte = 4;
          const String rok = std::to_string(l.wYear);
          out += String(rok.size() < 4 ? 4 - rok.size() : 0, '0') + rok;
        } else if (n >= 2) {
          uzyte = 2;
          out += DwieCyfry(l.wYear);
        }
        break;
      case 'h':
      case 'n':
      case 's': {
        uzyte = std::min<size_t>(n, 2);
        const unsigned v = c == 'h' ? l.wHour : c == 'n' ? l.wMinute : l.wSecond;
        out += liczba(v, uzyte == 2);
        break;
      }
      case 'z':
        if (n >= 3) {
          uzyte = 3;
          const String ms = std::to_string(l.wMilliseconds);
          out += String(3 - ms.size(), '0') + ms;
        } else {
          uzyte = 1;
          out += std::to_string(l.wMilliseconds);
        }
        break;
      default:
        break;
    }
    if (uzyte == 0) {
      out += c;
      uzyte = 1;
    }
    i += uzyte;
  }
  return out;
}
