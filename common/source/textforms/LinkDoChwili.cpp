#include "textforms/LinkDoChwili.h"

#include <cctype>

#include "core/Exception.h"
#include "core/Roznica.h"
#include "core/TekstUtf8.h"
#include "textforms/CzasTekstowy.h"
#include "transport/CelStacji.h"
#include "transport/ServerAddress.h"

namespace {

constexpr const char* kSchemat = "korwendo://";
constexpr size_t kDlugoscSchematu = 11;

int Cyfra16(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// `s` with "%XX" replaced by the byte; false and the bad escape in `zla` when one is not
// followed by two hexadecimal digits.
bool Dekoduj(const String& s, String& wynik, String& zla) {
  wynik.clear();
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '%') {
      wynik += s[i];
      continue;
    }
    const int a = i + 1 < s.size() ? Cyfra16(s[i + 1]) : -1;
    const int b = i + 2 < s.size() ? Cyfra16(s[i + 2]) : -1;
    if (a < 0 || b < 0) {
      zla = s.substr(i, 3);
      return false;
    }
    wynik += static_cast<char>(a * 16 + b);
    i += 2;
  }
  return true;
}


bool Niezastrzezony(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~';
}

String Zakoduj(const String& s) {
  static const char kCyfry[] = "0123456789ABCDEF";
  String wynik;
  for (char c : s) {
    if (Niezastrzezony(c)) {
      wynik += c;
    } else {
      const auto b = static_cast<unsigned char>(c);
      wynik += '%';
      wynik += kCyfry[b >> 4];
      wynik += kCyfry[b & 15];
    }
  }
  return wynik;
}

String TekstBledu(const OdczytLinku& o) {
  switch (o.blad) {
    case BladLinku::Brak: return {};
    case BladLinku::Schemat: return String("to nie jest link ") + kSchemat;
    case BladLinku::BrakHosta: return "brak nazwy hosta";
    case BladLinku::ZlyAdres: return o.opis;
    case BladLinku::BrakStacji: return "brak nazwy stacji";
    case BladLinku::ZlaSekwencja: return "zła sekwencja " + Cytat(o.opis) + " (po % dwie cyfry szesnastkowe)";
    case BladLinku::ZleUtf8: return "nazwa stacji nie jest poprawnym tekstem UTF-8";
    case BladLinku::ZnakSterujacy: return "znak sterujący w nazwie stacji";
    case BladLinku::MalpaWNazwie: return "znak @ w nazwie stacji";
    case BladLinku::ZaDlugaNazwa: return o.opis;
    case BladLinku::BrakCzasu: return "brak czasu (?t=CZAS)";
    case BladLinku::DwaCzasy: return "czas podany dwa razy";
    case BladLinku::ZlyCzas: return "zły czas " + Cytat(o.opis);
  }
  return {};
}

}  // namespace

bool WygladaNaLink(const String& tekst) {
  if (tekst.size() < kDlugoscSchematu) return false;
  for (size_t i = 0; i < kDlugoscSchematu; ++i) {
    if (std::tolower(static_cast<unsigned char>(tekst[i])) != kSchemat[i]) return false;
  }
  return true;
}

OdczytLinku CzytajLink(const String& tekst) {
  OdczytLinku o;
  auto blad = [&o](BladLinku b, String opis = {}) {
    o.blad = b;
    o.opis = std::move(opis);
    return o;
  };
  if (!WygladaNaLink(tekst)) return blad(BladLinku::Schemat);
  String reszta = tekst.substr(kDlugoscSchematu);
  reszta = reszta.substr(0, reszta.find('#'));
  const size_t pytajnik = reszta.find('?');
  const String zapytanie = pytajnik == String::npos ? String() : reszta.substr(pytajnik + 1);
  reszta = reszta.substr(0, pytajnik);

  // The address ends at the first "/" after it; an IPv6 one holds no "/".
  const size_t ukosnik = reszta.find('/');
  const String adres = reszta.substr(0, ukosnik);
  if (adres.empty()) return blad(BladLinku::BrakHosta);
  const AddressReading a = ReadServerAddress(adres);
  if (a.fault == AddressFault::NoHost) return blad(BladLinku::BrakHosta);
  if (a.fault != AddressFault::None) return blad(BladLinku::ZlyAdres, AddressFaultText(a.fault));
  o.link.serwer = a.address.Text();

  if (ukosnik == String::npos || ukosnik + 1 == reszta.size()) return blad(BladLinku::BrakStacji);
  String zla;
  if (!Dekoduj(reszta.substr(ukosnik + 1), o.link.stacja, zla)) return blad(BladLinku::ZlaSekwencja, zla);
  if (!PoprawneUtf8(o.link.stacja)) return blad(BladLinku::ZleUtf8);
  if (MaZnakiSterujace(o.link.stacja)) return blad(BladLinku::ZnakSterujacy);
  if (o.link.stacja.find('@') != String::npos) return blad(BladLinku::MalpaWNazwie);
  if (LiczbaZnakow(o.link.stacja) > kMaksNazwyStacji) return blad(BladLinku::ZaDlugaNazwa, BladNazwyStacji(o.link.stacja));

  // The parameters, "&"-separated; only "t" is read.
  bool czas = false;
  size_t i = 0;
  while (i <= zapytanie.size() && !zapytanie.empty()) {
    size_t koniec = zapytanie.find('&', i);
    if (koniec == String::npos) koniec = zapytanie.size();
    const String para = zapytanie.substr(i, koniec - i);
    i = koniec + 1;
    if (para.rfind("t=", 0) != 0) continue;
    if (czas) return blad(BladLinku::DwaCzasy);
    czas = true;
    String wartosc;
    if (!Dekoduj(para.substr(2), wartosc, zla)) return blad(BladLinku::ZlaSekwencja, zla);
    try {
      o.link.chwila = ParsujCzas(wartosc);
    } catch (const std::exception&) {
      return blad(BladLinku::ZlyCzas, wartosc);
    }
    // A link carries milliseconds and four-digit years: a moment within the first
    // millisecond of the scale means no time at all, and one past the year 9999 could
    // not be written back.
    if (o.link.chwila.Zaokraglij(Roznica::Milisekunda).Wartosc() <= 0 || o.link.chwila.Kalendarz().wYear > 9999) {
      return blad(BladLinku::ZlyCzas, wartosc);
    }
  }
  if (!czas) return blad(BladLinku::BrakCzasu);
  return o;
}

LinkDoChwili ParsujLink(const String& tekst) {
  const OdczytLinku o = CzytajLink(tekst);
  if (o.blad != BladLinku::Brak) KG_ERROR("zły link " + Cytat(tekst) + ": " + TekstBledu(o));
  return o.link;
}

String NapiszLink(const LinkDoChwili& l) {
  return kSchemat + l.serwer + "/" + Zakoduj(l.stacja) + "?t=" + NapisIsoZwiezly(l.chwila);
}
