#include "transport/CelStacji.h"

#include "core/Exception.h"
#include "core/TekstUtf8.h"

String BladNazwyStacji(const String& nazwa) {
  if (nazwa.empty()) return "pusta nazwa stacji";
  if (!PoprawneUtf8(nazwa)) return "nazwa stacji nie jest poprawnym tekstem UTF-8";
  if (MaZnakiSterujace(nazwa)) return "znak sterujący w nazwie stacji";
  if (nazwa.find('@') != String::npos) return "znak @ w nazwie stacji";
  if (const size_t n = LiczbaZnakow(nazwa); n > kMaksNazwyStacji) {
    return "nazwa stacji ma " + std::to_string(n) + " znaków, a serwer przyjmuje najwyżej " +
           std::to_string(kMaksNazwyStacji);
  }
  return {};
}

String CelStacji::Napis() const { return stacja + "@" + serwer.Text(); }

OdczytCelu CzytajCel(const String& tekst) {
  OdczytCelu o;
  const size_t at = tekst.find('@');
  o.cel.stacja = tekst.substr(0, at);
  if (at != String::npos) o.tekstAdresu = tekst.substr(at + 1);
  if (o.cel.stacja.empty()) {
    o.blad = BladCelu::PustaNazwa;
    return o;
  }
  if (LiczbaZnakow(o.cel.stacja) > kMaksNazwyStacji) {
    o.blad = BladCelu::ZaDlugaNazwa;
    return o;
  }
  if (at == String::npos) {
    o.blad = BladCelu::BezSerwera;
    return o;
  }
  const AddressReading r = ReadServerAddress(o.tekstAdresu);
  o.cel.serwer = r.address;
  o.adres = r.fault;
  // A host name never holds "@": a second one is a mistake, not a host.
  if (o.adres == AddressFault::None && o.tekstAdresu.find('@') != String::npos) o.adres = AddressFault::BadHost;
  if (o.adres != AddressFault::None) o.blad = BladCelu::ZlyAdres;
  return o;
}

String OpisBleduCelu(const OdczytCelu& o) {
  switch (o.blad) {
    case BladCelu::Brak: return {};
    case BladCelu::PustaNazwa: return "pusta nazwa stacji";
    case BladCelu::BezSerwera: return "brak serwera po nazwie stacji (NAZWA@HOST[:PORT])";
    case BladCelu::ZaDlugaNazwa: return BladNazwyStacji(o.cel.stacja);
    case BladCelu::ZlyAdres: return AddressFaultText(o.adres);
  }
  return {};
}

CelStacji ParsujCel(const String& tekst) {
  const OdczytCelu o = CzytajCel(tekst);
  if (o.blad != BladCelu::Brak) KG_ERROR("zły cel " + Cytat(tekst) + ": " + OpisBleduCelu(o));
  return o.cel;
}
