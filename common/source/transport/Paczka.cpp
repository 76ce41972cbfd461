#include "transport/Paczka.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "core/CallTrace.h"
#include "core/Cp1250.h"
#include "core/Exception.h"
#include "core/IReadAnyNonBlocking.h"
#include "transport/IniBase.h"
#include "transport/IniCore.h"
#include "transport/Protokol.h"
#include "transport/Transportable.h"

namespace {
constexpr int kTagLength = 6;
// Bytes skipped after a wrong tag, and the most bytes then quoted in the error.
constexpr int kSkippedAfterWrongTag = 8;
constexpr int kQuotedAfterWrongTag = 20;
}  // namespace

Paczka::Paczka() : maksDanych(IniBase::MaksDlugosc), maksPaczki(std::numeric_limits<std::int64_t>::max()) {
  KG_TRACE("Paczka::Paczka()");
}

void Paczka::UstawMaksPaczki(std::int64_t n) {
  if (n < 0) KG_ERROR("Paczka: maksymalny rozmiar paczki " + std::to_string(n) + " < 0");
  maksPaczki = n;
}

void Paczka::SprawdzPaczke(std::int64_t n) const {
  if (n > maksPaczki) {
    KG_ERROR("Paczka: paczka dłuższa niż " + std::to_string(maksPaczki) + " bajtów (co najmniej " + std::to_string(n) +
             ")");
  }
}

void Paczka::UstawMaksDanych(int n) {
  SprawdzDlugosc("rozmiar danych", n, IniBase::MaksDlugosc);
  maksDanych = n;
}

Paczka::~Paczka() = default;

std::int32_t Paczka::Int32(const unsigned char* b) {
  const std::uint32_t u = static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
                          static_cast<std::uint32_t>(b[2]) << 16 |
                          static_cast<std::uint32_t>(b[3]) << 24;
  return static_cast<std::int32_t>(u);
}

void Paczka::DopiszInt32(Core& m, std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  const unsigned char b[4] = {static_cast<unsigned char>(u), static_cast<unsigned char>(u >> 8),
                              static_cast<unsigned char>(u >> 16),
                              static_cast<unsigned char>(u >> 24)};
  m.InsertAt(m.Size(), b, 4);
}

void Paczka::SprawdzDlugosc(const char* co, std::int64_t n, std::int64_t maks) {
  if (n < 0 || n > maks) {
    KG_ERROR(String("Paczka: ") + co + " " + std::to_string(n) + " poza zakresem 0.." +
             std::to_string(maks));
  }
}

String Paczka::Magic() const { return protokol::kZnacznikPaczki; }

void Paczka::Write(const void* c, int n) {
  KG_TRACE("Paczka::Write(const void* c, int n)");
  bufor.Write(c, n);
  Parse();
  if (faza == 4) faza = -1;
}

void Paczka::Parse() {
  KG_TRACE("Paczka::Parse()");
  ParseNaglowekIDane();
}

void Paczka::ParseNaglowekIDane() {
  if (faza == -1) faza = 0;
  if (faza == 0) {
    if (bufor.Size() < kTagLength) return;
    char tag[kTagLength];
    bufor.Read(tag, kTagLength);
    const String magic = Magic();
    if (std::memcmp(tag, magic.data(), kTagLength) != 0) {
      // No resynchronisation: the connection is unusable from here on. The bytes that
      // followed the tag are quoted to show what the peer sent instead.
      char skipped[kSkippedAfterWrongTag];
      bufor.Read(skipped, kSkippedAfterWrongTag);
      const int quoted = std::min(bufor.Size(), kQuotedAfterWrongTag);
      String start(static_cast<size_t>(quoted), '\0');
      bufor.Read(start.data(), quoted);
      KG_ERROR("id=" + FromCp1250(String(tag, kTagLength)) + "!=" + magic +
               ", poczatek pakietu:" + FromCp1250(start));
    }
    faza = 1;
  }
  if (faza == 1) {
    if (bufor.Size() < 8) return;
    unsigned char b[8];
    // Looked at before it is consumed: a refused length leaves the packet where it was,
    // so that every later Write fails the same way until Reset().
    bufor.Peek(b, 8);
    const int n = Int32(b + 4);
    SprawdzDlugosc("długość nazwy", n, MaksTekst);
    SprawdzPaczke(kTagLength + 8 + n);
    bufor.Skip(8);
    Wersja = Int32(b);
    dlugoscNazwy = n;
    faza = 2;
  }
  if (faza == 2) {
    if (bufor.Size() < dlugoscNazwy + 4) return;
    unsigned char b[4];
    bufor.PeekEx(b, dlugoscNazwy, 4);
    const int p = Int32(b);
    if (p < 0) KG_ASSERTION("s<0");
    SprawdzDlugosc("rozmiar danych", p, maksDanych);
    SprawdzPaczke(std::int64_t{kTagLength} + 8 + dlugoscNazwy + 4 + p);
    String nazwa(static_cast<size_t>(dlugoscNazwy), '\0');
    bufor.Read(nazwa.data(), dlugoscNazwy);
    bufor.Skip(4);
    Nazwa = FromCp1250(nazwa);
    rozmiarDanych = p;
    faza = 3;
  }
  if (faza == 3) {
    if (bufor.Size() < rozmiarDanych) return;
    // Straight from the buffer into the payload, in one piece: the second and last copy
    // of the payload's bytes on the way in. The block keeps its storage between packets.
    core.SetSize(rozmiarDanych);
    bufor.Read(core.Data(), rozmiarDanych);
    faza = 4;
  }
}

std::int64_t Paczka::RozmiarNaglowkaIDanych() const {
  const std::int64_t n = static_cast<std::int64_t>(ToCp1250(Nazwa).size());
  SprawdzDlugosc("długość nazwy", n, MaksTekst);
  SprawdzDlugosc("rozmiar danych", core.Size(), IniBase::MaksDlugosc);
  return kTagLength + 4 + 4 + n + 4 + core.Size();
}

std::int64_t Paczka::RozmiarNaLaczu() const { return RozmiarNaglowkaIDanych(); }

void Paczka::WriteTo(Core& m) const {
  KG_TRACE("Paczka::WriteTo(Core &m)");
  const String magic = Magic();
  m.InsertAt(m.Size(), magic.data(), kTagLength);
  DopiszInt32(m, Wersja);
  const String nazwa = ToCp1250(Nazwa);
  DopiszInt32(m, static_cast<std::int32_t>(nazwa.size()));
  m.InsertAt(m.Size(), nazwa.data(), static_cast<int>(nazwa.size()));
  DopiszInt32(m, core.Size());
  m.InsertAt(m.Size(), core.Data(), core.Size());
}

void Paczka::UstawString(const String& s) {
  KG_TRACE("Paczka::UstawString(const String& s)");
  const String bytes = ToCp1250(s);
  SprawdzDlugosc("rozmiar danych", static_cast<std::int64_t>(bytes.size()),
                 IniBase::MaksDlugosc);
  Nazwa = protokol::kString;
  Wersja = 1;
  core.SetSize(0);
  core.InsertAt(0, bytes.data(), static_cast<int>(bytes.size()));
  faza = 0;
}

String Paczka::DajString() const {
  KG_TRACE("Paczka::DajString()");
  if (!Skonczyl()) KG_ASSERTION("!Skonczyl()");
  if (Nazwa != protokol::kString) KG_ASSERTION("Nazwa!=\"String\"");
  return FromCp1250(core.Tekst());
}

void Paczka::Wstaw(Transportable& t) {
  KG_TRACE("Paczka::Wstaw(Transportable &t)");
  Nazwa = t.Name();
  Wersja = t.Version();
  {
    IniCore f(core, 1);
    t.lsa(f);
  }
  faza = 0;
}

void Paczka::Wyjmij(Transportable& t) const {
  KG_TRACE("Paczka::Wyjmij(Transportable &t)");
  if (!Skonczyl()) KG_ASSERTION("!Skonczyl()");
  if (Nazwa != t.Name()) KG_ASSERTION("Nazwa!=t.Name()");
  if (Wersja != t.Version()) KG_ASSERTION("Wersja!=t.Version()");
  // Read mode leaves the block untouched, so a const packet lends it to the archive.
  IniCore f(const_cast<Core&>(core), 0);
  t.lsa(f);
}

void Paczka::Wyslij(Writable& w) const {
  KG_TRACE("Paczka::Wyslij(Writable &w)");
  Core m;
  // Checks every length before anything is encoded, so a refused packet writes nothing.
  const std::int64_t rozmiar = RozmiarNaLaczu();
  m.Reserve(static_cast<int>(rozmiar));
  WriteTo(m);
  if (m.Size() != rozmiar) KG_ASSERTION("m->Size!=m->Position");
  w.Write(m.Data(), m.Size());
}

bool Paczka::Wczytaj(IReadAnyNonBlocking& r) {
  KG_TRACE("Paczka::Wczytaj(IReadAnyNonBlocking &r)");
  char buffer[kOdczyt];
  // The bytes read with the packet before may hold the next one whole: it comes out before
  // anything more is read. Reading first would take a whole read for every packet shorter
  // than one, and a stream of small packets would pile up here without end.
  if (bufor.Size() > 0) {
    Write(buffer, 0);
    if (Skonczyl()) return true;
  }
  int k = 0;
  do {
    k = r.ReadAnyNonBlocking(buffer, kOdczyt);
    Write(buffer, k);
  } while (k > 0 && !Skonczyl());
  return Skonczyl();
}

int Paczka::Postep() const {
  KG_TRACE("Paczka::Postep()");
  if (faza < 3) return 0;
  if (faza > 3 || rozmiarDanych == 0) return 100;
  const std::int64_t have = std::min(bufor.Size(), rozmiarDanych);
  return static_cast<int>(have * 100 / rozmiarDanych);
}

void Paczka::Reset() {
  KG_TRACE("Paczka::Reset()");
  faza = 0;
  Wersja = 1;
  bufor.Reset();
}
