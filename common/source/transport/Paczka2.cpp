#include "transport/Paczka2.h"

#include "core/CallTrace.h"
#include "core/Cp1250.h"
#include "transport/Protokol.h"

Paczka2::Paczka2() { KG_TRACE("Paczka2::Paczka2()"); }

Paczka2::Paczka2(const String& s) {
  KG_TRACE("Paczka2::Paczka2(const String& s)");
  UstawString(s);
}

Paczka2::Paczka2(const String& s, const String& opis) {
  KG_TRACE("Paczka2::Paczka2(const String& s, const String& opis)");
  UstawString(s);
  Opis = opis;
}

Paczka2::Paczka2(Transportable& t, const String& opis) {
  KG_TRACE("Paczka2::Paczka2(Transportable& t, const String& opis)");
  Wstaw(t);
  Opis = opis;
}

String Paczka2::Magic() const { return protokol::kZnacznikPaczki2; }

void Paczka2::Write(const void* c, int n) {
  KG_TRACE("Paczka2::Write(const void* c, int n)");
  bufor.Write(c, n);
  Parse();
  if (faza == 6) faza = -1;
}

void Paczka2::Parse() {
  KG_TRACE("Paczka2::Parse()");
  ParseNaglowekIDane();
  if (faza == 4) {
    if (bufor.Size() < 4) return;
    unsigned char b[4];
    bufor.Peek(b, 4);
    const int d = Int32(b);
    SprawdzDlugosc("długość opisu", d, MaksTekst);
    SprawdzPaczke(OdebranyNaglowekIDane() + 4 + d);
    bufor.Skip(4);
    dlugoscOpisu = d;
    faza = 5;
  }
  if (faza == 5) {
    if (bufor.Size() < dlugoscOpisu) return;
    String opis(static_cast<size_t>(dlugoscOpisu), '\0');
    bufor.Read(opis.data(), dlugoscOpisu);
    Opis = FromCp1250(opis);
    faza = 6;
  }
}

std::int64_t Paczka2::RozmiarNaLaczu() const {
  const std::int64_t d = static_cast<std::int64_t>(ToCp1250(Opis).size());
  SprawdzDlugosc("długość opisu", d, MaksTekst);
  return RozmiarNaglowkaIDanych() + 4 + d;
}

void Paczka2::WriteTo(Core& m) const {
  KG_TRACE("Paczka2::WriteTo(Core &m)");
  Paczka::WriteTo(m);
  const String opis = ToCp1250(Opis);
  DopiszInt32(m, static_cast<std::int32_t>(opis.size()));
  m.InsertAt(m.Size(), opis.data(), static_cast<int>(opis.size()));
}
